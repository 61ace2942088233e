#include "Brand.h"
#include "Cfg.h"
#include "RolePickWnd.h"
#include "TestSupport.h"
#include "VekApp.h"
#include "ZelException.h"

#include <gtest/gtest.h>

namespace
{
class Application : public ::testing::Test
{
protected:
    void SetUp() override { recorder().reset(); }
};
} // namespace

TEST_F(Application, AccessorNeedsARunningApplication)
{
    try
    {
        vek();
        FAIL() << "expected an exception without an application object";
    }
    catch (const Zel::Exception& e)
    {
        EXPECT_STREQ(e.what(), "failed to find an active application pointer");
        EXPECT_EQ(e.function_name, "vek");
        EXPECT_EQ(e.filename, "src-vek/VekApp");
    }
    VekApplication app;
    EXPECT_EQ(&vek(), &app);
}

TEST_F(Application, ConstantsAndNames)
{
    VekApplication app;
    EXPECT_EQ(app.getApplicationVersion(), "1.2.1-3304");
    EXPECT_EQ(app.getApplicationName().toStdString(), Brand::current().application_name);
    EXPECT_TRUE(app.moreThanOneInstanceAllowed());
    EXPECT_FALSE(app.backButtonPressed());
    EXPECT_EQ(app.current_role_id, 0u);
    EXPECT_EQ(VekApplication::job_name(4), "shift log summary window");
    EXPECT_EQ(VekApplication::job_name(9), "create fake logs");
    EXPECT_EQ(VekApplication::job_name(11), "?");
}

TEST_F(Application, EmptyJobsOnlyLogTheirLine)
{
    VekApplication app;
    app.run(0);
    app.run(10);
    app.run(11);
    const std::string log = read_log();
    EXPECT_NE(log.find("running job #0: \"invalid\""), std::string::npos);
    EXPECT_NE(log.find("running job #10: \"no-op\""), std::string::npos);
    EXPECT_NE(log.find("running job #11: \"?\""), std::string::npos);
    EXPECT_TRUE(recorder().boxes().empty());
    EXPECT_TRUE(recorder().exits().empty());
    EXPECT_EQ(app.summary_window, nullptr);
}

TEST_F(Application, FailingJobShowsOneDialogAndExitsWithOne)
{
    VekApplication app;
    app.current_role_id = 77; // not in the store
    app.run(VekApplication::job_shift_log_summary_window);

    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "VEK problem detected!");
    EXPECT_EQ(recorder().exits(), std::vector<int>{1});
    const std::string log = read_log();
    EXPECT_NE(log.find("Function name:      VekApplication::run"), std::string::npos) << log;
    EXPECT_NE(log.find("The error type is:  std::out_of_range"), std::string::npos);
}

TEST_F(Application, FirstWindowWithoutRememberedRoleIsTheRolePick)
{
    TestApp test;
    test.app.roles[3] = Role();
    test.app.roles[3].id = 3;
    test.app.roles[3].name = "Crew";
    test.app.role_ids = {3};

    test.app.current_role_id = 9; // a role that was deleted
    test.app.run(VekApplication::job_show_first_window);
    EXPECT_NE(read_log().find("need to invoke the role pick window"), std::string::npos);
    ASSERT_NE(test.app.role_pick_window, nullptr);
    EXPECT_TRUE(test.app.role_pick_window->isVisible());
    EXPECT_TRUE(recorder().exits().empty());
}

TEST_F(Application, ShutdownWithoutDatabaseWritesTheDisconnectLinesAndSavesConfiguration)
{
    TestApp test;
    test.app.cfg->setValue("role_id", "5");
    const juce::File file = test.app.cfg->getFile();
    test.app.shutdown();
    EXPECT_EQ(test.app.cfg, nullptr);
    const std::string log = read_log();
    EXPECT_NE(log.find("shutting down Talvik Maintenance Logs"), std::string::npos);
    EXPECT_NE(log.find("adding database record for event type 'disconnect': client stop"), std::string::npos);
    EXPECT_TRUE(file.loadFileAsString().contains("name=\"role_id\" val=\"5\""))
        << "a change made less than 3 s before the end is still saved";
}

TEST_F(Application, ShutdownJobAsksTheFrameworkToQuit)
{
    VekApplication app;
    app.run(VekApplication::job_shutdown);
    EXPECT_EQ(recorder().quits(), 1);
    EXPECT_NE(read_log().find("running job #8: \"shutdown\""), std::string::npos);
}

TEST_F(Application, UnhandledExceptionIsReportedAndTheProgramGoesOn)
{
    VekApplication app;
    const std::logic_error failure("stray failure");
    app.unhandledException(&failure, "somewhere.cpp", 7);
    EXPECT_EQ(recorder().boxes().size(), 1u);
    EXPECT_TRUE(recorder().exits().empty());
    EXPECT_NE(read_log().find("text=stray failure"), std::string::npos);
}
