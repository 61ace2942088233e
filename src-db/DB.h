#pragma once

#include "ZelPQDB.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdint>
#include <string>

class Cfg;

// Seconds since the epoch of the last logged database work; the update poll stays quiet while
// it is recent.
extern std::atomic<std::int64_t> last_database_activity;

// The client's one connection, with logged queries and the update poll.
class DB : public Zel::PQDB, public juce::Timer
{
public:
    // Connects at once with the configuration's parameters; throws pqxx::broken_connection
    // when the server cannot be reached.
    explicit DB(Cfg& cfg);
    ~DB() override;

    // Logged query in its own non-transaction, named with the description.
    virtual pqxx::result exec_nt(const std::string& sql, const std::string& description);

    void timerCallback() override;

    // libpq keyword/value connection string for the configuration's parameters; every value is
    // quoted, so that spaces, quotes and backslashes stay inside their value.
    static std::string connection_string(Cfg& cfg);
    static std::string quote_connection_value(const std::string& value);

    // The statement of the update poll, for the departments of the current role.
    static std::string update_poll_sql(std::int64_t last_load_time, const std::string& department_list);
};

// One logged statement in a non-transaction; lives for one DB::exec_nt call.
class DBNT
{
public:
    DBNT(DB& db, const std::string& description);
    virtual ~DBNT();

    pqxx::result exec(const std::string& sql, const std::string& description);

private:
    pqxx::nontransaction work;
};

// A logged transaction for work that must be atomic. Destroyed without commit, it rolls back; a
// failed statement rolls it back at once, before the failure is shown.
class DBT
{
public:
    DBT(DB& db, const std::string& name);
    virtual ~DBT();

    virtual pqxx::result exec(const std::string& sql, const std::string& description);
    virtual pqxx::result exec1(const std::string& sql, const std::string& description);
    virtual std::string esc(const std::string& text);
    virtual void commit();
    virtual void abort();

private:
    // Ends the failed transaction, then reports the exception being handled and throws it on.
    [[noreturn]] void roll_back_and_report(const char* function_name, int line);

    pqxx::work work;
    std::string name;
    bool closed = false;
};

// Seconds since the epoch, now.
std::int64_t epoch_now();
