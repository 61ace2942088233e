#pragma once

#include "AdminTable.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <string>

// The generic reference-table editor: the rows of one table (of the chosen parent, where rows
// belong to one) with the id and one or two text columns edited in place, and a row of text
// fields with an "Add" button for a new row. Every change is written at once.
class Admin2FieldComponent : public juce::Component,
                             public juce::TableListBoxModel,
                             public juce::Button::Listener,
                             public juce::Label::Listener,
                             public juce::TextEditor::Listener,
                             public juce::ComboBox::Listener
{
public:
    // An empty second field gives one text column; an empty parent table, no parent box.
    Admin2FieldComponent(const std::string& table, const std::string& first_field, const std::string& second_field,
                         const std::string& parent_table, const std::string& order_by);
    ~Admin2FieldComponent() override;

    AdminTable model;
    juce::ComboBox parent_box;
    juce::TableListBox table_box;
    juce::TextEditor first_editor;
    juce::TextEditor second_editor;
    juce::TextButton add_button{"Add"};

    // Reads the rows again and shows them.
    virtual void refresh();

    // The chosen parent's id; 0 when there is none.
    std::uint64_t parent_id() const;

    int getNumRows() override;
    void paintRowBackground(juce::Graphics& g, int rowNumber, int width, int height, bool rowIsSelected) override;
    void paintCell(juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
    juce::Component* refreshComponentForCell(int rowNumber, int columnId, bool isRowSelected,
                                             juce::Component* existingComponentToUpdate) override;

    void resized() override;
    void buttonClicked(juce::Button* button) override;
    void labelTextChanged(juce::Label* label) override;
    void textEditorTextChanged(juce::TextEditor& editor) override;
    void comboBoxChanged(juce::ComboBox* box) override;

private:
    void add_row();
};
