#include "AdminCellEditor.h"

#include "AdminTable.h"
#include "Log.h"
#include "ShownText.h"

AdminCellEditor::AdminCellEditor(juce::TableListBox& table, const AdminTable& table_rows, int row,
                                 const std::string& column)
    : table_box(&table), rows(&table_rows), row_number(row), column_name(column)
{
    setEditable(true, true, false);
    update_cell(row, column);
}

AdminCellEditor::~AdminCellEditor() = default;

void AdminCellEditor::mouseDown(const juce::MouseEvent&)
{
    table_box->selectRowsBasedOnModifierKeys(row_number, juce::ModifierKeys(), false);
}

void AdminCellEditor::update_cell(int row, const std::string& column)
{
    if (row != row_number)
    {
        LogLine() << "cell editor: updating row from " << row_number << " to " << row;
        row_number = row;
    }
    if (column != column_name)
    {
        LogLine() << "cell editor: updating column from " << column_name << " to " << column;
        column_name = column;
    }

    // Setting the text would throw away what is being typed.
    if (isBeingEdited())
    {
        stale_during_edit = true;
        return;
    }
    edit_captured = false;

    const juce::String text = ShownText::from_bytes(rows->text(row_number, column_name));
    if (text != getText())
    {
        LogLine() << "cell editor: updating text from \"" << getText().toStdString() << "\" to \""
                  << text.toStdString() << "\"";
        setText(text, juce::dontSendNotification);
    }
}

std::string AdminCellEditor::edited_id() const
{
    return edit_captured ? captured_id : rows->text(row_number, "id");
}

std::string AdminCellEditor::edited_text() const
{
    return edit_captured ? captured_text : rows->text(row_number, column_name);
}

void AdminCellEditor::editorShown(juce::TextEditor*)
{
    captured_id = rows->text(row_number, "id");
    captured_text = rows->text(row_number, column_name);
    edit_captured = true;
}

void AdminCellEditor::editorAboutToBeHidden(juce::TextEditor*)
{
    if (! stale_during_edit)
        return;
    stale_during_edit = false;
    // After the edit has been handled (or dropped, when nothing was typed), show the cell's data.
    juce::MessageManager::callAsync([cell = juce::Component::SafePointer<AdminCellEditor>(this)] {
        if (cell != nullptr)
            cell->update_cell(cell->row_number, cell->column_name);
    });
}
