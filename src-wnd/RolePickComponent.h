#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

// One large button per role, in the store's role order; pressing one makes it the current role.
class RolePickComponent : public juce::Component, public juce::Button::Listener
{
public:
    juce::OwnedArray<juce::TextButton> buttons;

    RolePickComponent();
    ~RolePickComponent() override;

    void resized() override;
    void buttonClicked(juce::Button* button) override;

    // The first role of the store's order whose name is exactly the text; 0 when none is.
    static std::uint64_t role_id_for_name(const juce::String& text);
};
