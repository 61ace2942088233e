#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <string>
#include <vector>

// The administration window's content: one button per table, each opening that table's editor
// in a call-out box pointing at the button.
class AdminComponent : public juce::Component, public juce::Button::Listener
{
public:
    AdminComponent();
    ~AdminComponent() override;

    juce::OwnedArray<juce::TextButton> buttons;

    // The editor in the call-out box opened last, while that box is open.
    juce::Component::SafePointer<juce::Component> open_editor;

    // The buttons' captions, byte-wise ascending.
    static std::vector<std::string> captions();

    // A fresh editor for the caption, which reads its rows; null for an unknown caption.
    static std::unique_ptr<juce::Component> create_editor(const std::string& caption);

    void resized() override;
    void buttonClicked(juce::Button* button) override;
};
