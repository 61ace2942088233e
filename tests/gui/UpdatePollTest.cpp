#include "Cfg.h"
#include "DB.h"
#include "History.h"
#include "LogLoader.h"
#include "SampleLogs.h"
#include "ShiftLogSummaryWnd.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace
{
// A client that polls at every tick of its timer, however recent its last database work.
class EagerPollDB : public DB
{
public:
    explicit EagerPollDB(Cfg& cfg) : DB(cfg) { quiet_seconds = -1000000000; }
};

class UpdatePoll : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        add_sample_logs(database, 400);
    }

    // Another client saves an entry after this client's last load, as its save leaves it.
    void save_by_another_client(int department = 2)
    {
        ASSERT_TRUE(pump_until([] { return epoch_now() > last_load_time.load(); }, 3000));
        database.execute("UPDATE vek.logs SET problem = 'seal replaced', last_updated = now() WHERE id = (SELECT "
                         "max(id) FROM vek.logs WHERE departments_id = " + std::to_string(department) + ")");
    }

    static std::string bubble_text(const ShiftLogSummaryComponent& component)
    {
        return component.bubble.getTitle().toStdString();
    }

    sandbox::Database database;
};
} // namespace

TEST_F(UpdatePoll, IdleClientIsToldOfAnotherClientsSaveWhenTheConnectionIsFree)
{
    TestApp test(&database);
    auto& component = test.open_summary(1);
    DB& db = *test.app.database;
    EXPECT_EQ(db.getTimerInterval(), 60000);
    save_by_another_client();

    const std::int64_t after_load = last_database_activity.load();
    db.timerCallback();
    EXPECT_EQ(last_database_activity.load(), after_load) << "right after a load the client does not poll";

    // Idle, but the connection is in use: by another thread, or by this one's own transaction.
    const std::int64_t idle = epoch_now() - 301;
    last_database_activity = idle;
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&db, &held, done = release.get_future()] {
        const DB::Hold hold(db);
        held.set_value();
        done.wait();
    });
    held.get_future().wait();
    db.timerCallback();
    release.set_value();
    holder.join();
    {
        DBT transaction(db, "save");
        db.timerCallback();
    }
    EXPECT_EQ(last_database_activity.load(), idle) << "the poll skips while the connection is held";
    EXPECT_EQ(bubble_text(component), "");

    db.timerCallback();
    EXPECT_EQ(bubble_text(component), "Updates available: 1") << "five idle minutes later";
    EXPECT_TRUE(component.bubble.isVisible());
    EXPECT_LT(component.bubble.getScreenBounds().getCentreX(), component.reload_button.getScreenBounds().getX())
        << "pointing at the reload button from its left";
    EXPECT_GE(last_database_activity.load(), epoch_now() - 2) << "a completed poll counts as activity";
    EXPECT_TRUE(recorder().boxes().empty());
}

TEST_F(UpdatePoll, ARoleHearsOfItsOwnDepartmentsOnlyAndOfNothingNotAtAll)
{
    TestApp test(&database);
    auto& component = test.open_summary(2); // the Planer Mill and the Sawmill
    DB& db = *test.app.database;
    save_by_another_client(3);
    last_database_activity = epoch_now() - 301;
    db.timerCallback();
    EXPECT_GE(last_database_activity.load(), epoch_now() - 2) << "the poll ran";
    EXPECT_EQ(bubble_text(component), "") << "a change in the Boiler House is no news to this role";
    EXPECT_TRUE(recorder().boxes().empty());

    save_by_another_client(2);
    test.app.departments.erase(1); // a department the store does not know is reported by its look-up
    last_database_activity = epoch_now() - 301;
    db.timerCallback();
    EXPECT_EQ(bubble_text(component), "Updates available: 1");
    EXPECT_EQ(recorder().boxes().size(), 1u);
    EXPECT_NE(read_log().find("Cannot obtain department id #1 "), std::string::npos);
}

TEST_F(UpdatePoll, ServerGoneIsNoticedOnceAndThePollStaysQuiet)
{
    TestApp test(&database);
    test.load_store();
    test.app.current_role_id = 1;
    DB& db = *test.app.database;
    database.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'vek "
                     + user_identity() + "' AND datname = '" + database.name() + "'");
    const std::int64_t idle = epoch_now() - 400;
    last_database_activity = idle;
    for (int tick = 0; tick < 3; ++tick)
        db.timerCallback();
    EXPECT_TRUE(recorder().boxes().empty()) << "no window at any tick";
    EXPECT_NE(db.lost_since(), 0) << "the loss is noticed";
    const std::string log = read_log();
    EXPECT_EQ(log.find("the connection to the database was lost"), log.rfind("the connection to the database was lost"))
        << "once";
    EXPECT_EQ(last_database_activity.load(), idle);
    EXPECT_TRUE(db.isTimerRunning());
    EXPECT_TRUE(recorder().exits().empty()) << "the program keeps running";
}

TEST_F(UpdatePoll, TimerDrivenPollNeverRunsBesideALoad)
{
    add_sample_logs(database, 2000);
    TestApp test(&database);
    test.app.database = std::make_unique<EagerPollDB>(*test.app.cfg);
    auto& component = test.open_summary(1);

    // The timer ticks every few milliseconds, inside the load's modal loop as well.
    test.app.database->startTimer(5);
    component.load(5);
    EXPECT_EQ(component.all_rows.size(), 2400u) << "the load was not disturbed";
    EXPECT_TRUE(recorder().boxes().empty()) << "no poll used the connection beside the loading thread";
    save_by_another_client(3);
    EXPECT_TRUE(pump_until([&] { return bubble_text(component) == "Updates available: 1"; }, 5000))
        << "the timer's own poll finds the change";
    test.app.database->stopTimer();
}
