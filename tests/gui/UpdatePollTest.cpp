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
// A client whose poll asks the server whenever its timer ticks, however recent the last database
// work: the shipped client waits 300 quiet seconds.
class EagerPollDB : public DB
{
public:
    explicit EagerPollDB(Cfg& cfg) : DB(cfg) { quiet_seconds = -1000000000; }
};

// Stands in for a modal message box whose loop ticks the poll's timer once more.
class TickingInteraction : public RecordingInteraction
{
public:
    explicit TickingInteraction(DB& database) : db(database) {}
    void show_message_box(Icon icon, const std::string& title, const std::string& message,
                          const std::string& button_text) override
    {
        RecordingInteraction::show_message_box(icon, title, message, button_text);
        db.timerCallback();
    }

private:
    DB& db;
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

    // Another client saves an entry of a department that role 1 views, after this client's load.
    void save_by_another_client(int department = 2)
    {
        ASSERT_TRUE(pump_until([] { return epoch_now() > last_load_time.load(); }, 3000));
        database.execute("UPDATE vek.logs SET problem = 'seal replaced', last_updated = now() WHERE id = (SELECT "
                         "max(id) FROM vek.logs WHERE departments_id = "
                         + std::to_string(department) + ")");
    }

    void kill_client_connection()
    {
        database.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'vek "
                         + user_identity() + "' AND datname = '" + database.name() + "'");
    }

    static std::string bubble_text(const ShiftLogSummaryComponent& component)
    {
        return component.bubble.getTitle().toStdString();
    }

    sandbox::Database database;
};
} // namespace

TEST_F(UpdatePoll, IdleClientIsToldOfAnotherClientsSave)
{
    TestApp test(&database);
    auto& component = test.open_summary(1);
    DB& db = *test.app.database;
    EXPECT_EQ(db.getTimerInterval(), 60000) << "the poll's timer ticks once a minute";
    save_by_another_client();

    // Right after the load the client counts as busy.
    const std::int64_t after_load = last_database_activity.load();
    db.timerCallback();
    EXPECT_EQ(last_database_activity.load(), after_load) << "no poll within 300 seconds of the load";
    EXPECT_EQ(bubble_text(component), "");

    // Five idle minutes later.
    last_database_activity = epoch_now() - 301;
    db.timerCallback();
    EXPECT_EQ(bubble_text(component), "Updates available: 1");
    EXPECT_TRUE(component.bubble.isVisible());
    EXPECT_LT(component.bubble.getScreenBounds().getCentreX(), component.reload_button.getScreenBounds().getX())
        << "the bubble points at the reload button from its left";
    EXPECT_GE(last_database_activity.load(), epoch_now() - 2) << "a completed poll counts as activity";
    EXPECT_TRUE(recorder().boxes().empty());

    // A role that views no department counts nothing, and the poll still completes.
    component.bubble.setTitle({});
    test.app.current_role_id = 4;
    last_database_activity = epoch_now() - 301;
    db.timerCallback();
    EXPECT_EQ(bubble_text(component), "");
    EXPECT_GE(last_database_activity.load(), epoch_now() - 2);
}

TEST_F(UpdatePoll, WithoutSummaryWindowTheNoticeIsSkipped)
{
    TestApp test(&database);
    test.load_store();
    test.app.current_role_id = 1;
    last_load_time = 0;
    last_database_activity = epoch_now() - 301;
    test.app.database->timerCallback();
    EXPECT_GE(last_database_activity.load(), epoch_now() - 2) << "the poll ran while the role is being picked";
    EXPECT_TRUE(recorder().boxes().empty());
}

TEST_F(UpdatePoll, ServerGoneShowsOneWindowPerTickAndTheProgramGoesOn)
{
    TestApp test(&database);
    test.load_store();
    test.app.current_role_id = 1;
    DB& db = *test.app.database;
    kill_client_connection();
    recorder().reset();

    const std::int64_t idle = epoch_now() - 400;
    last_database_activity = idle;
    db.timerCallback();
    EXPECT_EQ(recorder().boxes().size(), 1u) << "one window for the failed poll";
    db.timerCallback();
    EXPECT_EQ(recorder().boxes().size(), 2u) << "and one more at the next tick";
    EXPECT_EQ(last_database_activity.load(), idle) << "a failed poll is tried again at the next tick";
    EXPECT_TRUE(db.isTimerRunning());
    EXPECT_EQ(recorder().exits().size(), 0u) << "the program keeps running";

    // The message box's modal loop ticks the timer too: no second window inside the first.
    TickingInteraction ticking(db);
    Interaction::set(&ticking);
    db.timerCallback();
    Interaction::set(&recorder());
    EXPECT_EQ(ticking.boxes().size(), 1u) << "a poll's window does not nest another poll's";
    EXPECT_FALSE(db.in_use()) << "the connection is not held while the window is up";
    EXPECT_NE(read_log().find("DB::timerCallback"), std::string::npos);
}

TEST_F(UpdatePoll, PollSkipsWhileTheConnectionIsHeld)
{
    TestApp test(&database);
    auto& component = test.open_summary(1);
    DB& db = *test.app.database;
    save_by_another_client();
    const std::int64_t idle = epoch_now() - 400;

    // Another thread's work.
    std::promise<void> held;
    std::promise<void> release;
    std::thread holder([&db, &held, done = release.get_future()] {
        const DB::Hold hold(db);
        held.set_value();
        done.wait();
    });
    held.get_future().wait();
    last_database_activity = idle;
    db.timerCallback();
    EXPECT_EQ(last_database_activity.load(), idle) << "skipped while another thread holds the connection";
    release.set_value();
    holder.join();

    // This thread's own transaction, with a message box's modal loop inside it.
    {
        DBT transaction(db, "save");
        db.timerCallback();
        EXPECT_EQ(last_database_activity.load(), idle) << "skipped inside this thread's own transaction";
    }
    EXPECT_EQ(bubble_text(component), "");

    db.timerCallback();
    EXPECT_EQ(bubble_text(component), "Updates available: 1") << "free again, the poll runs";
}

TEST_F(UpdatePoll, LoadHoldsTheConnectionFromItsFirstQuery)
{
    // Every callback of the loader, from the first status on, comes while the connection is held.
    class Watcher : public LogLoader::Observer
    {
    public:
        explicit Watcher(DB& database) : db(database) {}
        bool should_stop() override { return check(); }
        void status(const std::string&) override { check(); }
        void progress(double) override { check(); }
        void first_chunk_arrived() override { check(); }
        std::atomic<int> calls{0};
        std::atomic<int> free{0};

    private:
        bool check()
        {
            ++calls;
            free += db.in_use() ? 0 : 1;
            return false;
        }
        DB& db;
    };

    TestApp test(&database);
    test.load_store();
    test.app.current_role_id = 1;
    Watcher watcher(*test.app.database);
    LogLoader loader(*test.app.database, 5, watcher);
    loader.run();
    EXPECT_EQ(loader.rows.size(), 400u);
    EXPECT_GT(watcher.calls.load(), 3);
    EXPECT_EQ(watcher.free.load(), 0) << "the connection was free during the load";
    EXPECT_FALSE(test.app.database->in_use()) << "and is free afterwards";
}

TEST_F(UpdatePoll, TimerDrivenPollNeverRunsDuringALoad)
{
    add_sample_logs(database, 2000);
    TestApp test(&database);
    test.app.database = std::make_unique<EagerPollDB>(*test.app.cfg);
    auto& component = test.open_summary(1);
    DB& db = *test.app.database;

    // The timer ticks every few milliseconds, inside the load's modal loop as well.
    db.startTimer(5);
    component.load(5);
    EXPECT_EQ(component.all_rows.size(), 2400u) << "the load was not disturbed";
    EXPECT_TRUE(recorder().boxes().empty()) << "no poll used the connection beside the loading thread";

    save_by_another_client(3);
    EXPECT_TRUE(pump_until([&] { return bubble_text(component) == "Updates available: 1"; }, 5000))
        << "the timer's own poll finds the change";
    db.stopTimer();
}
