#include "DB.h"

#include "Cfg.h"
#include "ConnectionSecurity.h"
#include "History.h"
#include "Log.h"
#include "LogLoader.h"
#include "ShiftLogSummaryWnd.h"
#include "SessionKeeper.h"
#include "VekApp.h"
#include "ZelException.h"

#include <csignal>
#include <ctime>

std::atomic<std::int64_t> last_database_activity{0};

namespace
{
std::string description_prefix(const std::string& description)
{
    return description.empty() ? std::string() : description + ": ";
}
} // namespace

std::int64_t epoch_now()
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string DB::quote_connection_value(const std::string& value)
{
    std::string quoted = "'";
    for (const char c : value)
    {
        if (c == '\'' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

std::string DB::connection_string(Cfg& cfg)
{
    const std::string name = cfg.get_str("database_name");
    const std::string username = cfg.get_str("database_username");
    const std::string port = cfg.get_str("database_port");
    const std::string address = cfg.get_str("database_address");
    const ConnectionSecurity security(cfg);

    return security.ssl_keywords() + " application_name=" + quote_connection_value("vek " + user_identity())
           + " host=" + quote_connection_value(address) + " port=" + quote_connection_value(port)
           + " user=" + quote_connection_value(username) + security.password_keyword()
           + " dbname=" + quote_connection_value(name) + " client_encoding=UTF8" + session_keywords(address, port);
}

std::string DB::session_keywords(const std::string& address, const std::string& port)
{
    // A server that stops answering is noticed within about a minute instead of never; a standby
    // listed beside its primary is used only once it has been promoted.
    std::string keywords = " connect_timeout=10 keepalives=1 keepalives_idle=30 keepalives_interval=10 keepalives_count=3";
    if (address.find(',') != std::string::npos || port.find(',') != std::string::npos)
        keywords += " target_session_attrs=read-write";
    return keywords;
}

DB::DB(Cfg& cfg) try : Zel::PQDB(connection_string(cfg))
{
    // A server that goes away must not kill the process through a write on its socket.
    std::signal(SIGPIPE, SIG_IGN);
    startTimer(60000);
    keeper = std::make_unique<SessionKeeper>(*this);
    if (cfg.live_updates())
        listen();
    else
        LogLine() << "live updates are turned off by the configuration key " << Cfg::live_updates_key;
}
catch (const pqxx::broken_connection& failure)
{
    ConnectionSecurity(cfg).explain_failure(failure);
}

DB::~DB()
{
    stopTimer();
    keeper.reset();
    listener.reset();
}

void DB::listen()
{
    const Hold hold(*this);
    try
    {
        listener = std::make_unique<LiveListener>(connection());
    }
    catch (const std::exception& e)
    {
        listener.reset();
        LogLine() << "cannot listen for saves of other clients: " << e.what();
    }
}

std::optional<std::vector<LiveListener::Change>> DB::take_changes()
{
    // As the poll: skipped, not waited for, while someone else works on the connection.
    const std::unique_lock<std::recursive_mutex> lock(connection_mutex, std::try_to_lock);
    if (! lock.owns_lock() || in_use() || lost_at.load() != 0 || listener == nullptr)
        return std::nullopt;
    const Hold hold(*this);
    try
    {
        // Reads what the server sent, without waiting for more.
        connection().get_notifs();
    }
    catch (const std::exception& e)
    {
        LogLine() << "reading notifications failed: " << e.what();
        note_failure();
    }
    return listener->take();
}

void DB::announce_save(std::uint64_t department, std::uint64_t entry)
{
    try
    {
        exec(LiveListener::notify_sql(department, entry));
        LogLine() << "announced the save of log #" << entry << " on channel " << LiveListener::channel;
    }
    catch (const std::exception& e)
    {
        LogLine() << "could not announce the save of log #" << entry << ": " << e.what();
    }
}

void DB::note_failure()
{
    if (is_open() || lost_at.load() != 0)
        return;
    std::int64_t expected = 0;
    if (lost_at.compare_exchange_strong(expected, epoch_now()))
        LogLine() << "the connection to the database was lost; reconnecting";
}

void DB::refuse_while_lost(const char* function_name, int line, const std::string& sql)
{
    if (lost_at.load() == 0)
        return;
    LogLine() << "SQL: not sent, the connection to the database is lost: " << sql;
    throw Zel::Exception(function_name, "src-db/DB", line,
                         "The connection to the database is lost, so this cannot be done now. Nothing has been "
                         "changed; please try again once the client has reconnected.",
                         sql);
}

void DB::watch_session()
{
    const std::unique_lock<std::recursive_mutex> lock(connection_mutex, std::try_to_lock);
    if (! lock.owns_lock() || in_use() || lost_at.load() != 0)
        return;
    try
    {
        // Reads what the server sent, if anything; a session it ended fails here.
        connection().get_notifs();
    }
    catch (...)
    {
    }
    note_failure();
}

void DB::adopt_session(std::unique_ptr<pqxx::connection> fresh)
{
    const bool was_listening = listener != nullptr;
    {
        const Hold hold(*this);
        // The listener's UNLISTEN would wait for a server that may not answer on the old session.
        break_session();
        listener.reset();
        replace_session(std::move(fresh));
        ++sessions;
        lost_at = 0;
    }
    // A new session hears nothing until it asks again.
    if (was_listening)
        listen();
    LogLine() << "reconnected to the database: session #" << sessions.load();

    VekApplication& app = vek();
    if (app.cfg != nullptr && app.cfg->containsKey("timezone"))
    {
        try
        {
            exec_nt("SET SESSION TIME ZONE '" + esc(app.cfg->get_str("timezone")) + "'", "");
        }
        catch (...)
        {
        }
    }
    add_history_event(HistoryEvent::connect, 0, "client reconnection");
    if (app.summary_window != nullptr)
        app.summary_window->component.connection_restored();
}

DB::Hold::Hold(DB& database) : db(database)
{
    db.connection_mutex.lock();
    ++db.holders;
}

DB::Hold::~Hold()
{
    --db.holders;
    db.connection_mutex.unlock();
}

pqxx::result DB::exec(const std::string& sql)
{
    return plain_query("Zel::PQDB::exec", __LINE__, sql, false);
}

pqxx::result DB::exec1(const std::string& sql)
{
    return plain_query("Zel::PQDB::exec1", __LINE__, sql, true);
}

pqxx::result DB::plain_query(const char* function_name, int line, const std::string& sql, bool one_row)
{
    const Hold hold(*this);
    refuse_while_lost(function_name, line, sql);
    try
    {
        return one_row ? Zel::PQDB::exec1(sql) : Zel::PQDB::exec(sql);
    }
    catch (Zel::Exception& e)
    {
        note_failure();
        quiet_when_stopped(e);
        throw;
    }
}

void DB::stop_statement()
{
    stop_requested = true;
    if (in_use())
    {
        LogLine() << "SQL: asking the server to cancel the statement that the user stopped";
        cancel_query();
    }
}

void DB::statements_may_run()
{
    stop_requested = false;
}

void DB::quiet_when_stopped(Zel::Exception& e)
{
    // What the user stopped is no failure to show: its line in the log is enough.
    if (! stop_requested.load())
        return;
    LogLine() << "SQL: statement ended at the user's request: " << e.what();
    e.report_pending = false;
}

pqxx::result DB::exec_nt(const std::string& sql, const std::string& description)
{
    return run_nt(sql, description, false);
}

pqxx::result DB::exec_quiet_on_loss(const std::string& sql, const std::string& description)
{
    return run_nt(sql, description, true);
}

pqxx::result DB::run_nt(const std::string& sql, const std::string& description, bool quiet_on_loss)
{
    // The report of a poll that found the connection broken records a history row, which fails
    // for the same reason: one failure, one window.
    if (poll_reporting.load() && ! is_open())
    {
        LogLine() << "SQL: non-transaction: not sent, the connection is broken: " << sql;
        Zel::Exception e("DB::exec_nt", "src-db/DB", __LINE__, "The connection to the database is broken.", sql);
        e.report_pending = false;
        throw e;
    }
    try
    {
        refuse_while_lost("DBNT::exec", __LINE__, sql);
        DBNT nt(*this, description);
        return nt.exec(sql, description);
    }
    catch (...)
    {
        note_failure();
        // Reported once the non-transaction is closed: the report's own "problem" row needs the
        // connection.
        Zel::Exception e = Zel::Exception::from_current("DBNT::exec", "src-db/DB", __LINE__);
        quiet_when_stopped(e);
        if (quiet_on_loss && lost_at.load() != 0)
            LogLine() << "SQL: left undone, the connection to the database is lost: " << sql;
        else
            log_and_show_exception(&e, "src-db/DB", __LINE__);
        e.report_pending = false;
        throw e;
    }
}

std::string DB::update_poll_sql(std::int64_t last_load_time, const std::string& department_list)
{
    return "SELECT COUNT(*) FROM vek.logs WHERE EXTRACT(EPOCH FROM last_updated)::INTEGER > "
           + std::to_string(last_load_time) + " AND departments_id IN (" + department_list + ")";
}

void DB::timerCallback()
{
    // While the session is lost the poll waits for the new one, quietly.
    if (poll_reporting || lost_at.load() != 0)
        return;
    const std::int64_t now = epoch_now();
    if (last_database_activity.load() + quiet_seconds >= now)
        return;

    try
    {
        const std::optional<std::string> count = count_updates();
        if (! count)
            return;

        // Before the summary window exists (while a role is picked) there is nothing to point at.
        VekApplication& app = vek();
        if (*count != "0" && app.summary_window != nullptr)
            app.summary_window->show_update_bubble("Updates available: " + *count);

        last_database_activity = now;
    }
    catch (...)
    {
        Zel::Exception e = Zel::Exception::from_current("DB::timerCallback", "src-db/DB", __LINE__);
        note_failure();
        if (lost_at.load() != 0)
        {
            LogLine() << "update poll: " << e.what();
            return;
        }
        poll_reporting = true;
        log_and_show_exception(&e, "src-db/DB", __LINE__);
        poll_reporting = false;
    }
}

std::optional<std::string> DB::count_updates()
{
    // Skipped, not waited for: whoever holds the connection is working, so the client is not idle.
    const std::unique_lock<std::recursive_mutex> lock(connection_mutex, std::try_to_lock);
    if (! lock.owns_lock() || in_use())
        return std::nullopt;
    const Hold hold(*this);

    VekApplication& app = vek();
    std::string list = "0";
    for (const auto id : app.departments_for_current_role())
    {
        app.department_at(id);
        list += ", " + std::to_string(id);
    }

    pqxx::nontransaction work(connection());
    const pqxx::result result = work.exec(update_poll_sql(last_load_time.load(), list));
    std::string count = result.at(0).at(0).c_str();
    work.commit();
    return count;
}

DBNT::DBNT(DB& db, const std::string& description) : hold(db), work(db.connection(), description)
{
}

DBNT::~DBNT() = default;

pqxx::result DBNT::exec(const std::string& sql, const std::string& description)
{
    try
    {
        LogLine() << "SQL: non-transaction: " << description_prefix(description) << sql;
        pqxx::result result = work.exec(sql);
        LogLine() << "SQL: non-transaction: total number of rows in the result: " << result.size();
        last_database_activity = epoch_now();
        return result;
    }
    catch (...)
    {
        throw Zel::Exception::from_current("DBNT::exec", "src-db/DB", __LINE__);
    }
}

DBT::DBT(DB& db, const std::string& transaction_name)
    : hold(db), work(begin(db, transaction_name), transaction_name), name(transaction_name), database(db)
{
}

pqxx::connection& DBT::begin(DB& db, const std::string& transaction_name)
{
    db.refuse_while_lost("DBT::DBT", __LINE__, transaction_name);
    return db.connection();
}

DBT::~DBT() = default;

pqxx::result DBT::exec(const std::string& sql, const std::string& description)
{
    try
    {
        LogLine() << "SQL: " << name << ": " << description_prefix(description) << sql;
        pqxx::result result = work.exec(sql);
        LogLine() << "SQL: " << name << ": total number of rows in the result: " << result.size();
        last_database_activity = epoch_now();
        return result;
    }
    catch (...)
    {
        roll_back_and_report("DBT::exec", __LINE__);
    }
}

pqxx::result DBT::exec1(const std::string& sql, const std::string& description)
{
    try
    {
        pqxx::result result = exec(sql, description);
        if (result.size() != 1)
        {
            LogLine() << "SQL: " << name << ": " << description_prefix(description) << "expected 1 row but got back "
                      << result.size() << ": " << sql;
            throw Zel::Exception("DBT::exec1", "src-db/DB", __LINE__,
                                 "Expected a single SQL row result, but got back " + std::to_string(result.size())
                                     + ".",
                                 sql);
        }
        return result;
    }
    catch (...)
    {
        roll_back_and_report("DBT::exec1", __LINE__);
    }
}

void DBT::roll_back_and_report(const char* function_name, int line)
{
    Zel::Exception e = Zel::Exception::from_current(function_name, "src-db/DB", line);
    // A failed statement has spoilt the transaction anyway. Ending it first releases its locks (a
    // table lock would otherwise hold every other client while the error box waits for a click)
    // and frees the connection for the report's "problem" row.
    try
    {
        if (! closed)
            work.abort();
    }
    catch (...)
    {
    }
    closed = true;
    database.note_failure();
    log_and_show_exception(&e, "src-db/DB", line);
    e.report_pending = false;
    throw e;
}

std::string DBT::esc(const std::string& text)
{
    return work.esc(text);
}

void DBT::commit()
{
    closed = true;
    work.commit();
    last_database_activity = epoch_now();
}

void DBT::abort()
{
    closed = true;
    work.abort();
}
