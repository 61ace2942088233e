#pragma once

#include "GroupboxBase.h"

// A field with a one-line text editor: the time spent.
class GroupboxWithEditor : public GroupboxBase
{
public:
    juce::TextEditor editor;

    GroupboxWithEditor(const std::string& caption, EditorComponent* owner);
};
