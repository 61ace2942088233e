#pragma once

#include "LiveListener.h"
#include "ZelException.h"
#include "ZelPQDB.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class Cfg;
class SessionKeeper;

// Seconds since the epoch of the last logged database work; the update poll stays quiet while
// it is recent.
extern std::atomic<std::int64_t> last_database_activity;

// The client's one connection, with logged queries and the update poll.
//
// A pqxx connection must not be used by two threads at once, and the poll's timer also runs
// inside modal loops (a load's progress window, a message box). So whatever uses the
// connection holds it for as long as it does; other users wait, and the poll skips its turn.
class DB : public Zel::PQDB, public juce::Timer
{
    friend class DBT;

public:
    // The connection in use, from construction to destruction. Holds nest on one thread.
    class Hold
    {
    public:
        explicit Hold(DB& db);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        DB& db;
    };

    // Connects at once with the configuration's parameters; throws pqxx::broken_connection
    // when the server cannot be reached.
    explicit DB(Cfg& cfg);
    ~DB() override;

    // The plain queries, each holding the connection.
    pqxx::result exec(const std::string& sql) override;
    pqxx::result exec1(const std::string& sql) override;

    // Logged query in its own non-transaction, named with the description.
    virtual pqxx::result exec_nt(const std::string& sql, const std::string& description);
    // The same, except that a failure because the session is lost is logged, not shown: for work
    // that the session's end has done already (an unlock) or that the new session does again (a
    // live merge); the connection notice tells the user of the loss. It still throws.
    pqxx::result exec_quiet_on_loss(const std::string& sql, const std::string& description);

    // The update poll: after a quiet spell, counts the entries of the role's departments changed
    // since the last load and points at the summary window's reload button.
    void timerCallback() override;

    // The saves that other clients announced since the last call; nothing while another holds the
    // connection, while the session is lost, or when the configuration turned listening off.
    std::optional<std::vector<LiveListener::Change>> take_changes();
    bool listening() const { return listener != nullptr; }
    // Tells the listening clients that an entry has been saved and committed. A failure is only
    // logged: the save stands, and the update poll still counts it.
    void announce_save(std::uint64_t department, std::uint64_t entry);

    // Whether any thread holds the connection now.
    bool in_use() const { return holders.load() > 0; }

    // Seconds since the epoch when the session was found lost; 0 while it stands. Meanwhile
    // every statement is refused at once, saying that it cannot run now.
    std::int64_t lost_since() const { return lost_at.load(); }
    // Counts the sessions, from 1: a record lock taken on an earlier one is no longer held.
    unsigned session_number() const { return sessions.load(); }
    // Notices, without a round trip, a session that the server has ended (message thread).
    void watch_session();
    // Puts a new session in place of the lost one and sets it up as the first was: the time
    // zone, a "connect" history row, then the summary window takes its editors' locks again and
    // reloads (message thread, with the connection free).
    void adopt_session(std::unique_ptr<pqxx::connection> fresh);

    // libpq keyword/value connection string for the configuration's parameters; every value is
    // quoted, so that spaces, quotes and backslashes stay inside their value.
    static std::string connection_string(Cfg& cfg);
    static std::string quote_connection_value(const std::string& value);
    // The time limits on the wire, and a writable session when several servers are listed.
    static std::string session_keywords(const std::string& address, const std::string& port);

    // The user stopped the work that runs a statement now ("Done", ESC, cancel, a quit): the
    // server is asked to cancel it, and its failure is logged, not shown. Any thread.
    void stop_statement();
    // The next work starts: failures are shown again.
    void statements_may_run();

    // The statement of the update poll, for the departments of the current role.
    static std::string update_poll_sql(std::int64_t last_load_time, const std::string& department_list);

protected:
    // Seconds without database work before the poll asks the server.
    std::int64_t quiet_seconds = 300;

private:
    std::recursive_mutex connection_mutex;
    std::atomic<bool> stop_requested{false};
    std::atomic<std::int64_t> lost_at{0};
    std::atomic<unsigned> sessions{1};
    std::unique_ptr<SessionKeeper> keeper;
    // Goes before the session it listens on.
    std::unique_ptr<LiveListener> listener;
    std::atomic<int> holders{0};
    // Set while a poll's failure is shown: the message box's modal loop ticks the timer too.
    std::atomic<bool> poll_reporting{false};

    // Listens on the session in use; a failure leaves the client without live updates.
    void listen();
    // The changed entries' count as text, or nothing when the connection is in use.
    std::optional<std::string> count_updates();
    void quiet_when_stopped(Zel::Exception& e);
    pqxx::result run_nt(const std::string& sql, const std::string& description, bool quiet_on_loss);
    // exec or exec1 holding the connection, refused while the session is lost.
    pqxx::result plain_query(const char* function_name, int line, const std::string& sql, bool one_row);
    // After a failure: a session that no longer stands is lost. Any thread.
    void note_failure();
    // Throws, marked for reporting, while the session is lost.
    void refuse_while_lost(const char* function_name, int line, const std::string& sql);
};

// One logged statement in a non-transaction; lives for one DB::exec_nt call.
class DBNT
{
public:
    DBNT(DB& db, const std::string& description);
    virtual ~DBNT();

    pqxx::result exec(const std::string& sql, const std::string& description);

private:
    DB::Hold hold;
    pqxx::nontransaction work;
};

// A logged transaction for work that must be atomic, holding the connection for its whole life.
// Destroyed without commit, it rolls back; a failed statement rolls it back at once, before the
// failure is shown.
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

    // The session to begin on; refused while it is lost.
    static pqxx::connection& begin(DB& db, const std::string& transaction_name);

    DB::Hold hold;
    pqxx::work work;
    std::string name;
    DB& database;
    bool closed = false;
};

// Seconds since the epoch, now.
std::int64_t epoch_now();
