#pragma once

#include "GroupboxWithCombobox.h"

// The category: those of the department chosen.
class GC_Category : public GroupboxWithCombobox
{
public:
    GC_Category(const std::string& caption, EditorComponent* owner);

    void populate_for_department(std::uint64_t department_id);

    // Listens to the department box.
    void comboBoxChanged(juce::ComboBox* box) override;
};
