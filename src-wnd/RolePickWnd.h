#pragma once

#include "RolePickComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

// The window in which the user chooses a role. It has no close button: the only way on is to
// pick a role.
class RolePickWnd : public juce::DocumentWindow
{
public:
    RolePickComponent component;

    RolePickWnd();
    ~RolePickWnd() override;
};
