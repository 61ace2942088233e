#include "Admin3FieldCheckboxComponent.h"

#include "AdminSupport.h"

Admin3FieldCheckboxComponent::Admin3FieldCheckboxComponent(const std::string& table, const std::string& first_field,
                                                           const std::string& second_field,
                                                           const std::string& parent_table,
                                                           const std::string& order_by)
    : Admin2FieldComponent(table, first_field, second_field, parent_table, order_by)
{
    // A new employee is active; written out, since a site's table may lack the column's default
    // and every client refuses an employee whose flag is NULL.
    model.insert_constants = {{"active", "TRUE"}};
    model.boolean_column = "active";
    model.check_rows(model.rows);
    table_box.getHeader().addColumn("active", 4, 75, 30, -1, juce::TableHeaderComponent::defaultFlags);
    table_box.updateContent();
}

Admin3FieldCheckboxComponent::~Admin3FieldCheckboxComponent() = default;

juce::Component* Admin3FieldCheckboxComponent::refreshComponentForCell(int rowNumber, int columnId,
                                                                       bool isRowSelected,
                                                                       juce::Component* existingComponentToUpdate)
{
    if (columnId != 4)
        return Admin2FieldComponent::refreshComponentForCell(rowNumber, columnId, isRowSelected,
                                                             existingComponentToUpdate);

    // Reused rather than replaced: the box may be the one whose click is being handled.
    auto* toggle = dynamic_cast<juce::ToggleButton*>(existingComponentToUpdate);
    if (toggle == nullptr)
    {
        delete existingComponentToUpdate;
        toggle = new juce::ToggleButton();
        toggle->addListener(this);
    }
    toggle->setToggleState(model.flag(rowNumber, "active"), juce::dontSendNotification);
    return toggle;
}

void Admin3FieldCheckboxComponent::buttonClicked(juce::Button* button)
{
    Admin2FieldComponent::buttonClicked(button);
    report_failures("Admin3FieldCheckboxComponent::buttonClicked", "src-admin/Admin3FieldCheckboxComponent",
                    __LINE__, [this, button] { switch_active(button); });
}

void Admin3FieldCheckboxComponent::switch_active(juce::Button* button)
{
    int row = -1;
    for (int candidate = 0; candidate < getNumRows() && row < 0; ++candidate)
        if (table_box.getCellComponent(4, candidate) == button)
            row = candidate;
    if (row < 0)
        return;

    model.set_active(model.text(row, "id"), model.text(row, "first_name"), model.text(row, "last_name"),
                     button->getToggleState());
    refresh();
}
