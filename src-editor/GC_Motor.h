#pragma once

#include "GroupboxWithCombobox.h"

// The equipment (a Motor record). Choosing it first fills in its system and cost center.
class GC_Motor : public GroupboxWithCombobox
{
public:
    GC_Motor(const std::string& caption, EditorComponent* owner);

    void populate_all();
    void populate_for_cost_center(std::uint64_t cost_center_id);
    void populate_for_process(std::uint64_t process_id);

    void comboBoxChanged(juce::ComboBox* box) override;
};
