#pragma once

#include "GroupboxWithCombobox.h"

// The system (a Process record). Choosing one narrows the equipment to it.
class GC_Process : public GroupboxWithCombobox
{
public:
    GC_Process(const std::string& caption, EditorComponent* owner);

    void populate_all();
    void populate_for_cost_center(std::uint64_t cost_center_id);
    // Lists the equipment of the chosen system, else of the chosen cost center, else all of it.
    void list_equipment_of_choice();

    void comboBoxChanged(juce::ComboBox* box) override;
};
