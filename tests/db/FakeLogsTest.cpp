#include "FakeLogs.h"
#include "TestSupport.h"
#include "ZelException.h"
#include "ZelPQDB.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace
{
// A fixed "now", on a whole minute, so that runs can be compared.
constexpr std::int64_t until = 1700000040;

// The sample site with a few entries of its own: Planer Mill is at number 41, Sawmill at 7, and one
// entry still waits for its number.
class FakeLogsOnSampleSite : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        database.execute("INSERT INTO vek.logs (display_number, departments_id, status_id, problem) VALUES "
                         "(41, 1, 2, 'old'), (7, 2, 2, 'old'), (NULL, 1, 2, 'old')");
        before = database.value("SELECT MAX(id) FROM vek.logs");
    }

    // The number of new entries (id above those of SetUp) that match the condition.
    int new_entries(const std::string& condition)
    {
        return std::stoi(database.value("SELECT COUNT(*) FROM vek.logs l WHERE l.id > " + before + " AND ("
                                        + condition + ")"));
    }

    // Entries whose times are out of order or after `until`.
    int times_out_of_order()
    {
        const std::string newest = "to_timestamp(" + std::to_string(until) + ")";
        return new_entries("last_updated < timestamp_start OR last_updated < timestamp_end OR timestamp_end <= "
                           "timestamp_start OR last_updated > " + newest + " OR timestamp_end > " + newest);
    }

    FakeLogs generator(Zel::PQDB& db)
    {
        FakeLogs fake(db);
        fake.until = until;
        return fake;
    }

    sandbox::Database database;
    std::string before;
};

std::string fingerprint(sandbox::Database& database)
{
    return database.value("SELECT md5(string_agg(concat_ws('|', display_number, motor_id, departments_id, shifts_id, "
                          "categories_id, problem, action, authors_id, status_id, hours, downtime_reasons_id, "
                          "EXTRACT(EPOCH FROM last_updated), EXTRACT(EPOCH FROM timestamp_start), "
                          "EXTRACT(EPOCH FROM timestamp_end)), E'\\n' ORDER BY id)) FROM vek.logs");
}
} // namespace

TEST_F(FakeLogsOnSampleSite, EntriesFitTheSite)
{
    // Shifts follow the local hour; pin the zone so the check below can read it.
    const char* zone = std::getenv("TZ");
    const std::string old_zone = zone != nullptr ? zone : "";
    setenv("TZ", "UTC", 1);
    tzset();

    // A former Planer Mill employee, beside the active one.
    database.execute("INSERT INTO vek.employees (id, first_name, last_name, active, departments_id) "
                     "OVERRIDING SYSTEM VALUE VALUES (50, 'Rita', 'Retired', false, 1)");

    Zel::PQDB db(sandbox::connection_string(database.name()));
    FakeLogs fake = generator(db);
    fake.batch_size = 128;  // numbers must carry on across batches
    fake.add_log_entries(600, 7);

    EXPECT_EQ(new_entries("true"), 600);
    EXPECT_EQ(new_entries("motor_id IS NULL OR departments_id IS NULL OR shifts_id IS NULL OR authors_id IS NULL "
                          "OR status_id IS NULL"),
              0)
        << "equipment, department, shift, author and status are always set";

    // References tied to a department belong to the entry's; the Yard has no employees, so no entries.
    EXPECT_EQ(new_entries("EXISTS (SELECT 1 FROM vek.employees e WHERE e.id = l.authors_id "
                          "AND e.departments_id <> l.departments_id)"),
              0)
        << "author of another department";
    EXPECT_EQ(new_entries("EXISTS (SELECT 1 FROM vek.categories c WHERE c.id = l.categories_id "
                          "AND c.departments_id <> l.departments_id)"),
              0)
        << "category of another department";
    EXPECT_EQ(new_entries("EXISTS (SELECT 1 FROM vek.downtime_reasons r WHERE r.id = l.downtime_reasons_id "
                          "AND r.departments_id <> l.departments_id)"),
              0)
        << "downtime reason of another department";
    EXPECT_EQ(new_entries("categories_id IS NULL AND EXISTS (SELECT 1 FROM vek.categories c "
                          "WHERE c.departments_id = l.departments_id)"),
              0)
        << "no category although the department has some";
    EXPECT_EQ(database.value("SELECT string_agg(DISTINCT departments_id::text, ',') FROM vek.logs WHERE id > "
                             + before),
              "1,2,3")
        << "every department with employees, and only those";
    EXPECT_EQ(new_entries("to_timestamp(" + std::to_string(until) + ") - l.timestamp_start < interval '400 days' "
                          "AND EXISTS (SELECT 1 FROM vek.employees e WHERE e.id = l.authors_id AND NOT e.active) "
                          "AND EXISTS (SELECT 1 FROM vek.employees a WHERE a.departments_id = l.departments_id "
                          "AND a.active)"),
              0)
        << "a former employee wrote a recent entry although the department has active ones";
    EXPECT_GT(new_entries("authors_id = 50"), 0) << "former employees wrote older entries";

    // Numbers continue after each department's highest, in start order, without gaps.
    EXPECT_EQ(std::stoi(database.value(
                  "SELECT COUNT(*) FROM (SELECT departments_id, display_number, row_number() OVER "
                  "(PARTITION BY departments_id ORDER BY timestamp_start, id) AS n FROM vek.logs WHERE id > "
                  + before + ") x WHERE display_number <> n + CASE departments_id WHEN 1 THEN 41 WHEN 2 THEN 7 "
                             "ELSE 0 END")),
              0)
        << "display numbers out of start order, with gaps or not after the highest";
    EXPECT_EQ(database.value("SELECT COUNT(*) FROM vek.logs WHERE problem = 'old' AND display_number IS NULL"), "1")
        << "an existing entry without number is left alone";

    // Open and closed work, times and hours.
    const int open = new_entries("status_id = 1");
    EXPECT_GE(open, 18) << "about 5 to 10 % open";
    EXPECT_LE(open, 66) << "about 5 to 10 % open";
    EXPECT_EQ(new_entries("status_id = 1 AND timestamp_end IS NOT NULL"), 0) << "open entry with an end";
    EXPECT_EQ(new_entries("status_id <> 1 AND timestamp_end IS NULL"), 0) << "closed entry without an end";
    EXPECT_EQ(database.value("SELECT COUNT(DISTINCT status_id) FROM vek.logs WHERE id > " + before), "3")
        << "open and both closing statuses in use";
    EXPECT_EQ(times_out_of_order(), 0);
    EXPECT_EQ(new_entries("timestamp_start < to_timestamp(" + std::to_string(until)
                          + ") - interval '10 years 1 day'"),
              0)
        << "start before the ten years";
    EXPECT_GT(std::stod(database.value("SELECT EXTRACT(EPOCH FROM MAX(timestamp_start) - MIN(timestamp_start)) / "
                                       "86400 / 365 FROM vek.logs WHERE id > " + before)),
              9.0)
        << "start times spread over the years";
    EXPECT_EQ(new_entries("(hours IS NULL OR hours < 0.25 OR hours > 12 OR hours * 4 <> floor(hours * 4)) "
                          "AND NOT (status_id = 1 AND hours = 0)"),
              0)
        << "hours outside 0.25 to 12 in quarters; only open work may have none";
    EXPECT_GT(new_entries("status_id = 1 AND hours = 0"), 0) << "some open entries have no hours yet";
    EXPECT_EQ(new_entries("(shifts_id = 1) <> "
                          "(EXTRACT(HOUR FROM timestamp_start AT TIME ZONE 'UTC') BETWEEN 6 AND 17)"),
              0)
        << "the Day shift runs from 06:00 to 18:00, the Night shift the rest";

    // Texts: never blank where the editor needs them, and with the characters that trip up escaping.
    EXPECT_EQ(new_entries("btrim(problem, E' \\n') = '' OR (status_id <> 1 AND btrim(action, E' \\n') = '')"), 0)
        << "blank problem, or blank action on a closed entry";
    EXPECT_GT(new_entries("strpos(problem || action, '''') > 0"), 0) << "an apostrophe";
    EXPECT_GT(new_entries("strpos(problem || action, E'\\n') > 0"), 0) << "a line break";
    EXPECT_GT(new_entries("strpos(problem || action, '&') > 0"), 0) << "an ampersand";
    EXPECT_GT(new_entries("strpos(problem || action, '<') > 0"), 0) << "a less-than sign";
    EXPECT_EQ(new_entries("strpos(problem || action, '{') > 0"), 0) << "an unfilled placeholder";

    if (zone != nullptr)
        setenv("TZ", old_zone.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST_F(FakeLogsOnSampleSite, ShortSpanEndsBeforeUntil)
{
    // Most work of the last few hours is still open; what is closed must end between start and now.
    Zel::PQDB db(sandbox::connection_string(database.name()));
    FakeLogs fake = generator(db);
    fake.years = 0.001;
    fake.add_log_entries(200, 3);

    EXPECT_GT(new_entries("status_id <> 1"), 50) << "enough closed entries to check";
    EXPECT_EQ(times_out_of_order(), 0);

    fake.years = 0;
    EXPECT_THROW(fake.add_log_entries(1, 3), Zel::Exception) << "a span of no time";
}

TEST_F(FakeLogsOnSampleSite, SameSeedSameData)
{
    sandbox::Database twin;
    load_sample_site(twin);
    sandbox::Database other;
    load_sample_site(other);

    for (auto* target : {&twin, &other})
    {
        Zel::PQDB db(sandbox::connection_string(target->name()));
        generator(db).add_log_entries(300, target == &twin ? 11 : 12);
    }
    Zel::PQDB db(sandbox::connection_string(database.name()));
    database.execute("DELETE FROM vek.logs");
    generator(db).add_log_entries(300, 11);

    EXPECT_EQ(fingerprint(database), fingerprint(twin)) << "seed 11 twice";
    EXPECT_NE(fingerprint(database), fingerprint(other)) << "seeds 11 and 12";
}

TEST_F(FakeLogsOnSampleSite, ReferenceDataInBulk)
{
    Zel::PQDB db(sandbox::connection_string(database.name()));
    FakeLogs fake = generator(db);
    fake.batch_size = 16;
    fake.add_reference_data(30, 50, 10, 5);
    fake.add_reference_data(30, 0, 0, 6);

    EXPECT_EQ(database.value("SELECT COUNT(*) FROM vek.motors WHERE id > 100"), "60");
    EXPECT_EQ(database.value("SELECT COUNT(DISTINCT mid) FROM vek.motors"), "63") << "equipment tags are unique";
    EXPECT_EQ(database.value("SELECT COUNT(*) FROM vek.employees WHERE id > 100"), "50");
    EXPECT_EQ(database.value("SELECT COUNT(DISTINCT (first_name, last_name)) FROM vek.employees WHERE id > 100"), "50")
        << "no name twice while unused ones are left";
    const int former = std::stoi(database.value("SELECT COUNT(*) FROM vek.employees WHERE id > 100 AND NOT active"));
    EXPECT_GT(former, 0) << "some former employees";
    EXPECT_LT(former, 15) << "mostly active employees";
    EXPECT_EQ(database.value("SELECT COUNT(*) FROM vek.categories WHERE id > 100"), "10");
    EXPECT_EQ(database.value("SELECT COUNT(*) = 4 AND MAX(n) - MIN(n) <= 1 FROM (SELECT COUNT(*) AS n "
                             "FROM vek.categories WHERE id > 100 GROUP BY departments_id) x"),
              "t")
        << "categories evenly over all four departments";
    EXPECT_EQ(database.value("SELECT COUNT(*) FROM (SELECT 1 FROM vek.categories WHERE id > 100 "
                             "GROUP BY departments_id, name HAVING COUNT(*) > 1) x"),
              "0")
        << "a category name twice in one department";
}

TEST_F(FakeLogsOnSampleSite, MissingReferencesAreAClearError)
{
    const auto message_of = [](sandbox::Database& target) -> std::string {
        Zel::PQDB db(sandbox::connection_string(target.name()));
        try
        {
            FakeLogs(db).add_log_entries(10, 1);
        }
        catch (const Zel::Exception& e)
        {
            return e.text;
        }
        return "no error";
    };

    sandbox::Database empty;
    EXPECT_EQ(message_of(empty), "cannot add log entries: the site has no departments");

    database.execute("DELETE FROM vek.status WHERE name = 'open'");
    EXPECT_EQ(message_of(database), "cannot add log entries: the site has no status named \"open\"");
    database.execute("DELETE FROM vek.motors");
    EXPECT_EQ(message_of(database), "cannot add log entries: the site has no equipment");
    EXPECT_EQ(new_entries("true"), 0) << "nothing added";
}

TEST_F(FakeLogsOnSampleSite, JobNineAddsAThousandEntries)
{
    TestApp test(&database);
    test.app.run(VekApplication::job_create_fake_logs);

    EXPECT_EQ(new_entries("true"), 1000);
    EXPECT_TRUE(recorder().exits().empty()) << "the job succeeded";
    EXPECT_TRUE(recorder().boxes().empty()) << "no error was shown";
}
