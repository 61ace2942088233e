#pragma once

#include "GroupboxWithCombobox.h"

// The cost center. Choosing one narrows the systems and the equipment to it.
class GC_CostCenter : public GroupboxWithCombobox
{
public:
    GC_CostCenter(const std::string& caption, EditorComponent* owner);

    void populate_all();

    void comboBoxChanged(juce::ComboBox* box) override;
};
