#pragma once

#include "GroupboxBase.h"

// A field that only shows a text: the log id and the two dates.
class GroupboxWithLabel : public GroupboxBase
{
public:
    juce::Label label;

    GroupboxWithLabel(const std::string& caption, EditorComponent* owner);
};
