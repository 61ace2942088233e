#include "GroupboxWithLabel.h"
#include "ShownText.h"

GroupboxWithLabel::GroupboxWithLabel(const std::string& caption, EditorComponent* owner_)
    : GroupboxBase(caption, owner_), label(ShownText::from_bytes("label for " + caption), {})
{
    content = &label;
    addAndMakeVisible(label);
}
