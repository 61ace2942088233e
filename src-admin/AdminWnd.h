#pragma once

#include "AdminComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

// The administration window, which replaces the summary window for roles that may administer:
// one button per reference table. Closing it ends the program.
class AdminWnd : public juce::DocumentWindow
{
public:
    AdminComponent component;

    AdminWnd();
    ~AdminWnd() override;

    void closeButtonPressed() override;
};
