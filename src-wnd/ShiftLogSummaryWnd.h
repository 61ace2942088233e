#pragma once

#include "ShiftLogSummaryComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <string>

// The main window while a role is chosen: the summary table with its filter and commands.
// Closing it ends the program.
class ShiftLogSummaryWnd : public juce::DocumentWindow
{
public:
    ShiftLogSummaryComponent component;

    ShiftLogSummaryWnd();
    ~ShiftLogSummaryWnd() override;

    bool keyPressed(const juce::KeyPress& key) override;
    void closeButtonPressed() override;

    void show_update_bubble(const std::string& text) { component.show_update_bubble(text); }
};
