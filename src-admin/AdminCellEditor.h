#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <string>

class AdminTable;

// The in-place editor of one text cell of a reference-table editor: a label that edits on a
// single or double click and keeps the typed text when it loses the focus.
class AdminCellEditor : public juce::Label
{
public:
    AdminCellEditor(juce::TableListBox& table_box, const AdminTable& rows, int row, const std::string& column);
    ~AdminCellEditor() override;

    // Selects the cell's row, as a click on the row would.
    void mouseDown(const juce::MouseEvent& event) override;

    // Points the editor at another cell (the table reuses cell components) and shows its text.
    // While the administrator types, the typed text stays and the edit keeps its own row.
    virtual void update_cell(int row, const std::string& column);

    int row() const { return row_number; }
    const std::string& column() const { return column_name; }

    // The row's id and the cell's text as they were when editing began, so that an edit lands
    // on its own row even when the table scrolled or was read again meanwhile.
    std::string edited_id() const;
    std::string edited_text() const;

protected:
    void editorShown(juce::TextEditor* editor) override;
    void editorAboutToBeHidden(juce::TextEditor* editor) override;

private:
    juce::TableListBox* table_box;
    const AdminTable* rows;
    int row_number;
    std::string column_name;

    bool edit_captured = false;
    std::string captured_id;
    std::string captured_text;
    // Set when the cell moved to other data during an edit: its text is shown again afterwards.
    bool stale_during_edit = false;
};
