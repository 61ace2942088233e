#include "GroupboxWithEditor.h"

GroupboxWithEditor::GroupboxWithEditor(const std::string& caption, EditorComponent* owner_)
    : GroupboxBase(caption, owner_), editor(juce::String::fromUTF8(("editor for " + caption).c_str()))
{
    content = &editor;
    editor.setMultiLine(false, false);
    editor.setCaretVisible(true);
    editor.setScrollbarsShown(false);
    editor.setWantsKeyboardFocus(true);
    editor.setTabKeyUsedAsCharacter(false);
    editor.setReturnKeyStartsNewLine(false);
    editor.setEscapeAndReturnKeysConsumed(true);
    editor.setTextToShowWhenEmpty("?", juce::Colour(211, 211, 211));
    addAndMakeVisible(editor);
}
