#pragma once

#include "GroupboxWithCombobox.h"

// The downtime reason: every one at first, then those of the department chosen.
class GC_DowntimeReason : public GroupboxWithCombobox
{
public:
    GC_DowntimeReason(const std::string& caption, EditorComponent* owner);

    void populate_for_department(std::uint64_t department_id);

    // Listens to the department box.
    void comboBoxChanged(juce::ComboBox* box) override;
};
