#include "AdminComponent.h"

#include "AdminCategoryComponent.h"
#include "AdminCostCenterComponent.h"
#include "AdminDepartmentsComponent.h"
#include "AdminDowntimeReasonsComponent.h"
#include "AdminEmployeesComponent.h"
#include "AdminEquipmentComponent.h"
#include "AdminRoleViewsComponent.h"
#include "AdminRolesComponent.h"
#include "AdminShiftsComponent.h"
#include "AdminStatusComponent.h"
#include "AdminSupport.h"
#include "AdminSystemComponent.h"
#include "VekApp.h"
#include "VekLookAndFeel.h"

#include <functional>
#include <map>

namespace
{
using EditorFactory = std::function<std::unique_ptr<juce::Component>()>;

template <typename Editor>
EditorFactory factory()
{
    return [] { return std::make_unique<Editor>(); };
}

// By caption; a map of std::string keeps them byte-wise sorted, so "role views" precedes "roles".
const std::map<std::string, EditorFactory>& editors()
{
    static const std::map<std::string, EditorFactory> by_caption{
        {"categories", factory<AdminCategoryComponent>()},
        {"cost centers", factory<AdminCostCenterComponent>()},
        {"departments", factory<AdminDepartmentsComponent>()},
        {"downtime reasons", factory<AdminDowntimeReasonsComponent>()},
        {"employees", factory<AdminEmployeesComponent>()},
        {"equipment", factory<AdminEquipmentComponent>()},
        {"role views", factory<AdminRoleViewsComponent>()},
        {"roles", factory<AdminRolesComponent>()},
        {"shifts", factory<AdminShiftsComponent>()},
        {"status", factory<AdminStatusComponent>()},
        {"systems", factory<AdminSystemComponent>()}};
    return by_caption;
}
} // namespace

AdminComponent::AdminComponent()
{
    setName("admin component");
    for (const auto& caption : captions())
    {
        auto* button = buttons.add(new juce::TextButton(juce::String(caption)));
        button->addListener(this);
        addAndMakeVisible(button);
    }
}

AdminComponent::~AdminComponent()
{
    if (open_editor != nullptr)
        if (auto* box = dynamic_cast<juce::CallOutBox*>(open_editor->getParentComponent()))
            box->dismiss();
}

std::vector<std::string> AdminComponent::captions()
{
    std::vector<std::string> sorted;
    for (const auto& entry : editors())
        sorted.push_back(entry.first);
    return sorted;
}

std::unique_ptr<juce::Component> AdminComponent::create_editor(const std::string& caption)
{
    const auto found = editors().find(caption);
    return found == editors().end() ? nullptr : found->second();
}

void AdminComponent::resized()
{
    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    for (auto* button : buttons)
        column.items.add(juce::FlexItem(*button).withFlex(1.0f).withMargin(5.0f));

    auto area = getLocalBounds().reduced(5);
    column.performLayout(area.withSize(std::max(0, area.getWidth()), std::max(0, area.getHeight())));
}

void AdminComponent::buttonClicked(juce::Button* button)
{
    // Building an editor reads its tables; a failure is reported and the window stays usable.
    report_failures("AdminComponent::buttonClicked", "src-admin/AdminComponent", __LINE__, [this, button] {
        auto editor = create_editor(button->getButtonText().toStdString());
        if (editor == nullptr)
            return;
        open_editor = editor.get();
        auto& box = juce::CallOutBox::launchAsynchronously(std::move(editor), button->getBounds(), this);
        box.setLookAndFeel(vek().look_and_feel.get());
    });
}
