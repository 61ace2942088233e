#include "DB.h"
#include "LoadWnd.h"
#include "LogEntry.h"
#include "LogLoader.h"
#include "SampleLogs.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
class StopAfterFirstChunk : public LogLoader::Observer
{
public:
    bool should_stop() override { return chunks > 0; }
    void first_chunk_arrived() override { ++chunks; }
    int chunks = 0;
};

class LogLoading : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        add_sample_logs(database, 400);
    }

    std::vector<SummaryRow> load(TestApp& test, std::uint64_t role, int period, LogLoader::Observer& observer)
    {
        test.app.current_role_id = role;
        LogLoader loader(*test.app.database, period, observer);
        loader.run();
        return std::move(loader.rows);
    }

    sandbox::Database database;
};
} // namespace

TEST_F(LogLoading, CountMatchesTheViewAndRowsComeNewestFirst)
{
    TestApp test(&database);
    test.load_store();
    display_number_width = 3;
    LogLoader::Observer quiet;
    const auto rows = load(test, 3, 2, quiet); // Yard Crew: departments 1, 2 and 4; one month

    const std::string where = LogLoader::where_clause(LogLoader::local_date(epoch_now() - 2678400), "0, 1, 2, 4");
    const std::string expected = database.value("SELECT count(*) FROM vek.all_logs " + where);
    EXPECT_EQ(std::to_string(rows.size()), expected);
    EXPECT_NE(read_log().find("total number of records to load: " + expected + " (between "), std::string::npos);
    for (std::size_t i = 1; i < rows.size(); ++i)
        ASSERT_GT(rows[i - 1].id, rows[i].id) << "newest (highest id) first";
    for (const auto& row : rows)
        ASSERT_NE(row.cell(14), "Boiler House") << "only the role's departments";
    EXPECT_NE(read_log().find("-> department #4=\"Yard\" (YD)"), std::string::npos);
}

TEST_F(LogLoading, CellsHoldWhatTheTableShows)
{
    TestApp test(&database);
    test.load_store();
    display_number_width = 3;
    LogLoader::Observer quiet;
    const auto rows = load(test, 1, 5, quiet);
    ASSERT_EQ(rows.size(), 400u);

    const auto row_of = [&rows](std::uint64_t id) -> const SummaryRow& {
        for (const auto& row : rows)
            if (row.id == id)
                return row;
        throw std::runtime_error("no row " + std::to_string(id));
    };
    const std::uint64_t first_id = static_cast<std::uint64_t>(std::stoull(database.value("SELECT min(id) FROM vek.logs")));

    const SummaryRow& eleven = row_of(first_id + 10); // n = 11: department 4, closed, half an hour
    EXPECT_EQ(eleven.cell(1), std::to_string(first_id + 10));
    EXPECT_EQ(eleven.cell(2), "YD-011") << "zero-padded to the measured width";
    EXPECT_EQ(eleven.cell(18), "pump 11 leaks again") << "tabs, line breaks and double spaces simplified";
    EXPECT_EQ(eleven.cell(19), "fixed it's seal 11");
    EXPECT_EQ(eleven.cell(20), "30m");
    EXPECT_EQ(eleven.cell(9), "closed");
    EXPECT_EQ(eleven.cell(12), "BH-FW-301");
    EXPECT_EQ(eleven.cell(13), "Feedwater pump");
    EXPECT_EQ(eleven.cell(10), "Energy");
    EXPECT_EQ(eleven.cell(11), "Boiler");
    EXPECT_EQ(eleven.cell(14), "Yard");
    EXPECT_EQ(eleven.cell(15), "Ravi Patel");
    EXPECT_EQ(eleven.cell(16), "Night");
    EXPECT_EQ(eleven.cell(17), "Mechanical");
    EXPECT_EQ(eleven.cell(5).size(), 19u) << eleven.cell(5);
    EXPECT_EQ(eleven.cell(5).find_first_of(".+"), std::string_view::npos);
    EXPECT_EQ(eleven.cell(6), "11 hours ago");
    EXPECT_EQ(eleven.cell(8), "11 hours ago");
    const std::string id = std::to_string(first_id + 10);
    EXPECT_EQ(eleven.cell(3), test.app.database
                                  ->exec1("SELECT to_char(last_updated, 'YYYY-MM-DD HH24:MI:SS') FROM vek.logs WHERE id = "
                                          + id)[0][0]
                                  .as<std::string>())
        << "the time in the session's zone, without fractions and offset";
    EXPECT_EQ(std::to_string(eleven.epoch_start),
              database.value("SELECT floor(extract(epoch FROM timestamp_start))::bigint FROM vek.logs WHERE id = " + id));

    const SummaryRow& seventeen = row_of(first_id + 16);
    EXPECT_EQ(seventeen.cell(2), "SM-?") << "no display number";

    const SummaryRow& twenty = row_of(first_id + 19); // open: no end, no completion age
    EXPECT_EQ(twenty.cell(7), "");
    EXPECT_EQ(twenty.cell(8), "");
    EXPECT_EQ(twenty.epoch_end, 0);
    EXPECT_EQ(twenty.cell(21), "Breakdown");

    const SummaryRow& fourteen = row_of(first_id + 13); // hours NULL
    EXPECT_EQ(fourteen.hours, 0.0);
    EXPECT_EQ(fourteen.cell(20), "");
    EXPECT_TRUE(recorder().boxes().empty());
}

TEST_F(LogLoading, StoppingAfterTheFirstChunkKeepsExactlyItsRows)
{
    TestApp test(&database);
    test.load_store();
    StopAfterFirstChunk stop;
    const auto rows = load(test, 1, 5, stop);
    ASSERT_EQ(rows.size(), 50u);
    EXPECT_EQ(std::to_string(rows.front().id), database.value("SELECT max(id) FROM vek.logs"));
    for (std::size_t i = 1; i < rows.size(); ++i)
        ASSERT_GT(rows[i - 1].id, rows[i].id);
}

TEST_F(LogLoading, RoleWithoutDepartmentsLoadsNothing)
{
    TestApp test(&database);
    test.load_store();
    LogLoader::Observer quiet;
    EXPECT_TRUE(load(test, 4, 5, quiet).empty());
    const std::string log = read_log();
    EXPECT_NE(log.find("total number of records to load: 0 (between 0 and 0)"), std::string::npos);
    EXPECT_NE(log.find("AND departments_id IN (0) AND id < 1 ORDER BY id DESC LIMIT 50"), std::string::npos)
        << "one chunk query with the bound 1, then the loop ends";
}

TEST_F(LogLoading, GrowingChunksReadEveryRowOnce)
{
    add_sample_logs(database, 2000);
    TestApp test(&database);
    test.load_store();
    LogLoader::Observer quiet;
    const auto rows = load(test, 1, 5, quiet);
    EXPECT_EQ(rows.size(), 2400u);
    std::set<std::uint64_t> ids;
    for (const auto& row : rows)
        ids.insert(row.id);
    EXPECT_EQ(ids.size(), rows.size()) << "no row read twice";
    EXPECT_NE(read_log().find("ORDER BY id DESC LIMIT 1000"), std::string::npos);
}

TEST_F(LogLoading, EntryFromAnAllNullRow)
{
    TestApp test(&database);
    const pqxx::result result = test.app.database->exec(
        "SELECT NULL::bigint AS id, NULL::text AS lock_name, NULL::bigint AS epoch_lock, NULL::text AS "
        "lock_ip_address, NULL::bigint AS display_number, NULL::bigint AS motor_id, NULL::bigint AS departments_id, "
        "NULL::bigint AS shifts_id, NULL::bigint AS epoch_updated, NULL::bigint AS epoch_start, NULL::bigint AS "
        "epoch_end, NULL::bigint AS categories_id, NULL::text AS problem, NULL::text AS action, NULL::bigint AS "
        "authors_id, NULL::bigint AS status_id, NULL::float8 AS hours, NULL::bigint AS downtime_reasons_id");
    const LogEntry entry(result[0]);
    EXPECT_TRUE(entry == LogEntry());
    EXPECT_EQ(entry.to_string(), "log entry id #0:\n");
    EXPECT_EQ(entry.log_number(), "-?");
    EXPECT_EQ(recorder().boxes().size(), 1u) << "the missing department 0 is reported";
}

TEST_F(LogLoading, EntryDumpNamesItsReferences)
{
    TestApp test(&database);
    test.load_store();
    display_number_width = 3;
    const pqxx::result result = test.app.database->exec("SELECT * FROM vek.all_logs WHERE display_number = 10");
    const LogEntry entry(result[0]);
    const std::string dump = entry.to_string();
    EXPECT_NE(dump.find("\tdisplay number=10 [BH-010]\n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\tmotor #2=SM-HR-201 [Headrig carriage], in process #2\n\tprocess #2=\"Headrig\", in cost "
                        "center #2\n\tcost center #2=\"Sawing\"\n\tdepartment #3=\"Boiler House\" (BH)\n"),
              std::string::npos)
        << dump;
    EXPECT_NE(dump.find("\thours: 0.25 [15m]\n\tproblem: pump 10 leaks again\n\taction: fixed it's seal 10\n\tstart "
                        "epoch: "),
              std::string::npos)
        << dump;
    EXPECT_EQ(dump.find("end epoch"), std::string::npos) << "the entry is open";
    EXPECT_TRUE(recorder().boxes().empty()) << "every reference was found";
}

TEST_F(LogLoading, RowsReadBeforeAFailureAreKept)
{
    // The 120th newest entry carries a display number that does not convert.
    const std::string bad_id = database.value("SELECT id FROM vek.logs ORDER BY id DESC OFFSET 119 LIMIT 1");
    std::string view = database.value("SELECT pg_get_viewdef('vek.all_logs'::regclass)");
    const std::string column = "l.display_number,";
    ASSERT_NE(view.find(column), std::string::npos) << view;
    view.replace(view.find(column), column.size(),
                 "CASE WHEN l.id = " + bad_id + " THEN -5::bigint ELSE l.display_number END AS display_number,");
    database.execute("CREATE OR REPLACE VIEW vek.all_logs AS " + view);

    TestApp test(&database);
    test.load_store();
    test.app.current_role_id = 1;
    LogLoader::Observer quiet;
    LogLoader loader(*test.app.database, 5, quiet);
    EXPECT_ANY_THROW(loader.run());
    ASSERT_EQ(loader.rows.size(), 119u) << "the rows before the bad one, newest first";
    EXPECT_EQ(std::to_string(loader.rows.back().id), database.value("SELECT id FROM vek.logs ORDER BY id DESC OFFSET 118 LIMIT 1"));
}
