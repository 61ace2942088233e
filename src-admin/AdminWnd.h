#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// The administration window, which replaces the summary window for roles that may administer.
// Its table editors are not part of this client yet; closing it ends the program.
class AdminWnd : public juce::DocumentWindow
{
public:
    juce::Component component;

    AdminWnd();
    ~AdminWnd() override;

    void closeButtonPressed() override;
};
