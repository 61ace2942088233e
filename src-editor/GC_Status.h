#pragma once

#include "GroupboxWithCombobox.h"

// The status. "open" keeps an entry open; any other status closes it, "today" unless it
// already has a completion time.
class GC_Status : public GroupboxWithCombobox
{
public:
    GC_Status(const std::string& caption, EditorComponent* owner);

    void comboBoxChanged(juce::ComboBox* box) override;
};
