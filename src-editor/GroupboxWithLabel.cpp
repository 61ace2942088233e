#include "GroupboxWithLabel.h"

GroupboxWithLabel::GroupboxWithLabel(const std::string& caption, EditorComponent* owner_)
    : GroupboxBase(caption, owner_), label(juce::String::fromUTF8(("label for " + caption).c_str()), {})
{
    content = &label;
    addAndMakeVisible(label);
}
