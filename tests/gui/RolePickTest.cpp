#include "Brand.h"
#include "Cfg.h"
#include "RolePickWnd.h"
#include "ShiftLogSummaryWnd.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
class RolePick : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
    }
    sandbox::Database database;
};
} // namespace

TEST_F(RolePick, OneButtonPerRoleInNameOrderSharingTheHeight)
{
    TestApp test(&database);
    test.load_store();
    test.app.run(VekApplication::job_show_first_window);
    ASSERT_NE(test.app.role_pick_window, nullptr);
    RolePickWnd& window = *test.app.role_pick_window;
    EXPECT_EQ(window.getName().toStdString(), Brand::current().title_prefix + "VEK v1.2.1-3304 - Choose A Role");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.getBackgroundColour(), juce::Colour(204, 221, 204));

    auto& buttons = window.component.buttons;
    ASSERT_EQ(buttons.size(), 4);
    EXPECT_EQ(buttons[0]->getButtonText(), "Planer Crew");
    EXPECT_EQ(buttons[1]->getButtonText(), "Supervisors");
    EXPECT_EQ(buttons[2]->getButtonText(), "Visitors");
    EXPECT_EQ(buttons[3]->getButtonText(), "Yard Crew");

    window.component.setSize(320, 410);
    for (auto* button : buttons)
    {
        EXPECT_EQ(button->getHeight(), 90) << "(410 - 10) / 4 less the margins";
        EXPECT_EQ(button->getWidth(), 300);
    }
    EXPECT_EQ(buttons[0]->getY(), 10);

    window.component.setSize(8, 6);
    for (auto* button : buttons)
    {
        EXPECT_GE(button->getWidth(), 0);
        EXPECT_GE(button->getHeight(), 0);
    }
}

TEST_F(RolePick, PickingARoleRemembersItAndOpensItsSummary)
{
    TestApp test(&database);
    test.load_store();
    test.app.run(VekApplication::job_show_role_pick_window);
    ASSERT_NE(test.app.role_pick_window, nullptr);
    test.app.role_pick_window->component.buttons[3]->triggerClick();
    ASSERT_TRUE(pump_until([&] { return test.app.summary_window != nullptr; }, 5000));

    EXPECT_EQ(test.app.current_role_id, 3u);
    EXPECT_EQ(test.app.cfg->getValue("role_id"), "3");
    EXPECT_FALSE(test.app.role_pick_window->isVisible());
    EXPECT_FALSE(test.app.role_pick_window->isEnabled());
    EXPECT_EQ(test.app.summary_window->getName().toStdString(),
              Brand::current().title_prefix + "VEK v1.2.1-3304 - Yard Crew Maintenance Logs");
    const std::string log = read_log();
    EXPECT_NE(log.find("need to invoke the shift log summary window"), std::string::npos);
    EXPECT_NE(log.find("starting the log summary window for role #3 (Yard Crew)"), std::string::npos);

    // The next start goes straight to the summary window of the remembered role.
    test.app.summary_window.reset();
    test.app.role_pick_window.reset();
    test.app.current_role_id = static_cast<std::uint64_t>(test.app.cfg->getIntValue("role_id", 0));
    test.app.run(VekApplication::job_show_first_window);
    EXPECT_EQ(test.app.role_pick_window, nullptr);
    EXPECT_NE(test.app.summary_window, nullptr);
}

TEST_F(RolePick, SameNamesSelectTheFirstAndWindowStateIsKept)
{
    database.execute("UPDATE vek.roles SET name = 'Crew' WHERE id IN (2, 3)");
    TestApp test(&database);
    test.load_store();
    test.app.run(VekApplication::job_show_role_pick_window);
    auto& buttons = test.app.role_pick_window->component.buttons;
    ASSERT_EQ(buttons[0]->getButtonText(), "Crew");
    ASSERT_EQ(buttons[1]->getButtonText(), "Crew");
    EXPECT_EQ(RolePickComponent::role_id_for_name("Crew"), test.app.role_ids[0]);
    EXPECT_EQ(RolePickComponent::role_id_for_name("crew"), 0u) << "names compare exactly";

    test.app.role_pick_window->setBounds(40, 50, 333, 444);
    test.app.run(VekApplication::job_show_role_pick_window);
    EXPECT_TRUE(test.app.cfg->getValue("RolePickWnd").isNotEmpty()) << "the replaced window saved its state";
    test.app.run(VekApplication::job_show_role_pick_window);
    // Within the few pixels that the window manager's frame adds or takes away.
    EXPECT_NEAR(test.app.role_pick_window->getWidth(), 333, 4) << "a new window opens where the last one was";
    EXPECT_NEAR(test.app.role_pick_window->getHeight(), 444, 30);
}
