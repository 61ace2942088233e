#pragma once

#include "Admin2FieldComponent.h"

// The reference-table editor for employees: the generic editor with a fourth column whose
// checkbox switches the employee's "active" flag at once.
class Admin3FieldCheckboxComponent : public Admin2FieldComponent
{
public:
    Admin3FieldCheckboxComponent(const std::string& table, const std::string& first_field,
                                 const std::string& second_field, const std::string& parent_table,
                                 const std::string& order_by);
    ~Admin3FieldCheckboxComponent() override;

    juce::Component* refreshComponentForCell(int rowNumber, int columnId, bool isRowSelected,
                                             juce::Component* existingComponentToUpdate) override;
    void buttonClicked(juce::Button* button) override;

private:
    void switch_active(juce::Button* button);
};
