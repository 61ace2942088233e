#include "RolePickComponent.h"

#include "Cfg.h"
#include "LoginRights.h"
#include "RolePickWnd.h"
#include "ShownText.h"
#include "VekApp.h"

RolePickComponent::RolePickComponent()
    : role_ids(LoginRights::of_running_application().takeable(vek().role_ids))
{
    setName("role pick component");
    VekApplication& app = vek();
    for (const auto id : role_ids)
    {
        const juce::String name = ShownText::from_bytes(app.roles.at(id).name);
        auto* button = buttons.add(new juce::TextButton(name));
        button->setButtonText(name);
        button->addListener(this);
        addAndMakeVisible(button);
    }
}

RolePickComponent::~RolePickComponent() = default;

void RolePickComponent::resized()
{
    juce::FlexBox box;
    box.flexDirection = juce::FlexBox::Direction::column;
    for (auto* button : buttons)
        box.items.add(juce::FlexItem(*button).withFlex(1.0f).withMargin(5.0f));

    auto area = getLocalBounds().reduced(5);
    box.performLayout(area.withSize(std::max(0, area.getWidth()), std::max(0, area.getHeight())));
}

std::uint64_t RolePickComponent::role_id_for_name(const juce::String& text, const std::vector<std::uint64_t>* among)
{
    VekApplication& app = vek();
    const std::string wanted = text.toStdString();
    for (const auto id : among != nullptr ? *among : app.role_ids)
        if (app.roles.at(id).name == wanted)
            return id;
    return 0;
}

void RolePickComponent::buttonClicked(juce::Button* button)
{
    if (button == nullptr)
        return;

    VekApplication& app = vek();
    const std::uint64_t role_id = role_id_for_name(button->getButtonText(), &role_ids);
    if (app.roles.count(role_id) == 0)
        return;

    if (app.role_pick_window != nullptr)
    {
        app.role_pick_window->setEnabled(false);
        app.role_pick_window->setVisible(false);
    }
    app.cfg->setValue("role_id", juce::String(std::to_string(role_id)));
    app.current_role_id = role_id;
    app.run(VekApplication::job_show_first_window);
}
