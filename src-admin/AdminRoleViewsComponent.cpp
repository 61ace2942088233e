#include "AdminRoleViewsComponent.h"

#include "AdminSupport.h"
#include "DB.h"
#include "ShownText.h"

#include <algorithm>


AdminRoleViewsComponent::AdminRoleViewsComponent() : model(admin_database())
{
    setName("role views component");

    addAndMakeVisible(role_box);
    DB& db = admin_database();
    for (const auto& row : db.exec_nt("SELECT * FROM vek.roles ORDER BY name", ""))
        role_box.addItem(ShownText::from_bytes(row["name"].as<std::string>()), row["id"].as<int>());
    if (role_box.getNumItems() > 0)
        role_box.setSelectedItemIndex(0, juce::sendNotificationAsync);
    role_box.addListener(this);

    for (const auto& row : db.exec_nt("SELECT * FROM vek.departments ORDER BY name", ""))
    {
        auto checkbox = std::make_unique<juce::ToggleButton>(ShownText::from_bytes(row["name"].as<std::string>()));
        addAndMakeVisible(*checkbox);
        checkbox->addListener(this);
        checkboxes[row["id"].as<std::uint64_t>()] = std::move(checkbox);
    }

    setSize(200, 35 * (static_cast<int>(checkboxes.size()) + 1));
    refresh();
}

AdminRoleViewsComponent::~AdminRoleViewsComponent() = default;

void AdminRoleViewsComponent::refresh()
{
    const auto views = model.departments_of(role_box.getSelectedId());
    for (auto& [department, checkbox] : checkboxes)
        checkbox->setToggleState(views.count(department) != 0, juce::dontSendNotification);
}

void AdminRoleViewsComponent::resized()
{
    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    column.items.add(juce::FlexItem(role_box).withFlex(1.0f).withMargin(5.0f));
    for (auto& entry : checkboxes)
        column.items.add(juce::FlexItem(*entry.second).withFlex(1.0f).withMargin(5.0f));

    auto area = getLocalBounds().reduced(5);
    column.performLayout(area.withSize(std::max(0, area.getWidth()), std::max(0, area.getHeight())));
}

void AdminRoleViewsComponent::comboBoxChanged(juce::ComboBox* box)
{
    if (box == &role_box)
        report_failures("AdminRoleViewsComponent::comboBoxChanged", "src-admin/AdminRoleViewsComponent", __LINE__,
                        [this] { refresh(); });
}

void AdminRoleViewsComponent::buttonClicked(juce::Button* button)
{
    report_failures("AdminRoleViewsComponent::buttonClicked", "src-admin/AdminRoleViewsComponent", __LINE__,
                    [this, button] { switch_view(button); });
}

void AdminRoleViewsComponent::switch_view(juce::Button* button)
{
    const auto checkbox = std::find_if(checkboxes.begin(), checkboxes.end(),
                                       [button](const auto& entry) { return entry.second.get() == button; });
    if (checkbox == checkboxes.end())
        return;

    // Without a role there is nothing to change; after a failure, too, the boxes show what the
    // database holds rather than what was clicked.
    const std::int64_t role = role_box.getSelectedId();
    if (role == 0
        || ! model.set_view(role, checkbox->first, button->getToggleState(), role_box.getText().toStdString(),
                            button->getButtonText().toStdString()))
        refresh();
}
