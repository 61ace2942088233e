#include "GroupboxWithEditor.h"
#include "ShownText.h"

GroupboxWithEditor::GroupboxWithEditor(const std::string& caption, EditorComponent* owner_)
    : GroupboxBase(caption, owner_), editor(ShownText::from_bytes("editor for " + caption))
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
