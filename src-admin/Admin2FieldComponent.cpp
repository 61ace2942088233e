#include "Admin2FieldComponent.h"

#include "AdminCellEditor.h"
#include "AdminSupport.h"
#include "DB.h"
#include "ShownText.h"

namespace
{
const juce::Colour selected_row(144, 238, 144);
const juce::Colour grid_lines(211, 211, 211);
const juce::Colour placeholder_text(128, 128, 128);

// The text of a text editor as the database gets it: trimmed at both ends, in UTF-8.
std::string trimmed_text(const juce::TextEditor& editor)
{
    return editor.getText().trim().toStdString();
}
} // namespace

Admin2FieldComponent::Admin2FieldComponent(const std::string& table, const std::string& first_field,
                                           const std::string& second_field, const std::string& parent_table,
                                           const std::string& order_by)
    : model(admin_database(), {table, first_field, second_field, parent_table, order_by})
{
    setName("admin double field component");

    if (model.settings.has_parent())
    {
        addAndMakeVisible(parent_box);
        for (const auto& row : admin_database().exec_nt(model.parents_sql(), ""))
            parent_box.addItem(ShownText::from_bytes(row["name"].c_str()), row["id"].as<int>());
        if (parent_box.getNumItems() > 0)
            parent_box.setSelectedItemIndex(0, juce::sendNotificationAsync);
        parent_box.addListener(this);
    }

    addAndMakeVisible(table_box);
    addAndMakeVisible(first_editor);
    if (model.settings.has_second_field())
        addAndMakeVisible(second_editor);
    addAndMakeVisible(add_button);

    table_box.setColour(juce::ListBox::outlineColourId, juce::Colours::black);
    table_box.setOutlineThickness(1);
    auto& header = table_box.getHeader();
    const int flags = juce::TableHeaderComponent::defaultFlags;
    header.addColumn("id", 1, 35, 30, -1, flags);
    header.addColumn(ShownText::from_bytes(first_field), 2, 200, 30, -1, flags);
    if (model.settings.has_second_field())
        header.addColumn(ShownText::from_bytes(second_field), 3, 200, 30, -1, flags);

    first_editor.setTextToShowWhenEmpty(ShownText::from_bytes(first_field), placeholder_text);
    second_editor.setTextToShowWhenEmpty(ShownText::from_bytes(second_field), placeholder_text);
    first_editor.addListener(this);
    second_editor.addListener(this);
    add_button.addListener(this);
    add_button.setEnabled(false);

    setSize(400, 400);
    refresh();
}

Admin2FieldComponent::~Admin2FieldComponent()
{
    table_box.setModel(nullptr);
}

void Admin2FieldComponent::refresh()
{
    model.refresh(parent_id());
    table_box.setModel(this);
    table_box.updateContent();
    table_box.repaint();
}

std::uint64_t Admin2FieldComponent::parent_id() const
{
    return static_cast<std::uint64_t>(std::max(0, parent_box.getSelectedId()));
}

int Admin2FieldComponent::getNumRows()
{
    return model.size();
}

void Admin2FieldComponent::paintRowBackground(juce::Graphics& g, int, int width, int height, bool rowIsSelected)
{
    g.fillAll(rowIsSelected ? selected_row : juce::Colours::white);
    g.setColour(grid_lines);
    g.fillRect(0, height - 1, width, 1);
}

void Admin2FieldComponent::paintCell(juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool)
{
    if (rowNumber < 0 || rowNumber >= model.size() || columnId < 1 || columnId > 3)
        return;
    const std::string column = columnId == 1   ? std::string("id")
                               : columnId == 2 ? model.settings.first_field
                                               : model.settings.second_field;
    g.setColour(juce::Colours::black);
    g.drawFittedText(ShownText::from_bytes(model.text(rowNumber, column)), 2, 2, width - 4, height - 4,
                     juce::Justification::centredLeft, 1);
    g.setColour(grid_lines);
    g.fillRect(width - 1, 0, 1, height);
}

juce::Component* Admin2FieldComponent::refreshComponentForCell(int rowNumber, int columnId, bool,
                                                               juce::Component* existingComponentToUpdate)
{
    if (columnId != 2 && columnId != 3)
        return existingComponentToUpdate;

    const std::string& column = columnId == 2 ? model.settings.first_field : model.settings.second_field;
    if (auto* cell = dynamic_cast<AdminCellEditor*>(existingComponentToUpdate))
    {
        cell->update_cell(rowNumber, column);
        return cell;
    }
    delete existingComponentToUpdate;
    auto* cell = new AdminCellEditor(table_box, model, rowNumber, column);
    cell->addListener(this);
    return cell;
}

void Admin2FieldComponent::resized()
{
    juce::FlexBox add_row_box;
    add_row_box.items.add(juce::FlexItem(first_editor).withFlex(1.0f));
    if (model.settings.has_second_field())
        add_row_box.items.add(juce::FlexItem(second_editor).withFlex(1.0f));
    add_row_box.items.add(juce::FlexItem(add_button).withWidth(50.0f));

    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    if (model.settings.has_parent())
        column.items.add(juce::FlexItem(parent_box).withHeight(25.0f));
    column.items.add(juce::FlexItem(table_box).withFlex(1.0f));
    column.items.add(juce::FlexItem(add_row_box).withHeight(35.0f));

    auto area = getLocalBounds().reduced(5);
    column.performLayout(area.withSize(std::max(0, area.getWidth()), std::max(0, area.getHeight())));
}

void Admin2FieldComponent::buttonClicked(juce::Button* button)
{
    if (button == &add_button)
        report_failures("Admin2FieldComponent::buttonClicked", "src-admin/Admin2FieldComponent", __LINE__,
                        [this] { add_row(); });
}

void Admin2FieldComponent::add_row()
{
    const std::string first = trimmed_text(first_editor);
    const std::string second = trimmed_text(second_editor);
    if (! model.may_add(first, second, parent_id()))
        return;
    // A failed insert keeps the typed texts for another try.
    if (! model.add(first, second, parent_id()))
        return;
    first_editor.clear();
    second_editor.clear();
    add_button.setEnabled(false);
    refresh();
}

void Admin2FieldComponent::labelTextChanged(juce::Label* label)
{
    auto* cell = dynamic_cast<AdminCellEditor*>(label);
    if (cell == nullptr)
        return;
    report_failures("Admin2FieldComponent::labelTextChanged", "src-admin/Admin2FieldComponent", __LINE__, [this, cell] {
        model.change_cell(cell->edited_id(), cell->column(), cell->edited_text(), cell->getText().toStdString());
        // Also after an empty, unchanged or failed edit: the cell shows what the database holds.
        refresh();
    });
}

void Admin2FieldComponent::textEditorTextChanged(juce::TextEditor&)
{
    add_button.setEnabled(model.may_add(trimmed_text(first_editor), trimmed_text(second_editor), parent_id()));
}

void Admin2FieldComponent::comboBoxChanged(juce::ComboBox* box)
{
    if (box != &parent_box)
        return;
    report_failures("Admin2FieldComponent::comboBoxChanged", "src-admin/Admin2FieldComponent", __LINE__, [this] {
        refresh();
        add_button.setEnabled(
            model.may_add(trimmed_text(first_editor), trimmed_text(second_editor), parent_id()));
    });
}
