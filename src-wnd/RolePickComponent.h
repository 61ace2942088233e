#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <vector>

// One large button per role that the database login may take, in the store's role order;
// pressing one makes it the current role.
class RolePickComponent : public juce::Component, public juce::Button::Listener
{
public:
    juce::OwnedArray<juce::TextButton> buttons;
    // The roles of the buttons, in their order.
    const std::vector<std::uint64_t> role_ids;

    RolePickComponent();
    ~RolePickComponent() override;

    void resized() override;
    void buttonClicked(juce::Button* button) override;

    // The first role of the list (the store's order when none is given) whose name is exactly the
    // text; 0 when none is.
    static std::uint64_t role_id_for_name(const juce::String& text, const std::vector<std::uint64_t>* among = nullptr);
};
