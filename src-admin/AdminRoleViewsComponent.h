#pragma once

#include "AdminRoleViews.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <map>
#include <memory>

// The role views editor: a role chosen in a box and one checkbox per department; ticking or
// clearing a box grants or withdraws the role's view of that department at once.
class AdminRoleViewsComponent : public juce::Component, public juce::Button::Listener, public juce::ComboBox::Listener
{
public:
    AdminRoleViewsComponent();
    ~AdminRoleViewsComponent() override;

    AdminRoleViews model;
    juce::ComboBox role_box;
    // By department id, so listed in ascending id whatever the names' order.
    std::map<std::uint64_t, std::unique_ptr<juce::ToggleButton>> checkboxes;

    // Ticks the boxes of the chosen role's views.
    virtual void refresh();

    void resized() override;
    void buttonClicked(juce::Button* button) override;
    void comboBoxChanged(juce::ComboBox* box) override;

private:
    void switch_view(juce::Button* button);
};
