#pragma once

#include "GroupboxWithCombobox.h"

// The author: the department's active employees, then its former ones, shown but disabled.
class GC_Employee : public GroupboxWithCombobox
{
public:
    GC_Employee(const std::string& caption, EditorComponent* owner);

    void populate_for_department(std::uint64_t department_id);

    // Listens to the department box.
    void comboBoxChanged(juce::ComboBox* box) override;
};
