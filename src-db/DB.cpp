#include "DB.h"

#include "Cfg.h"
#include "ConnectionSecurity.h"
#include "History.h"
#include "Log.h"
#include "LogLoader.h"
#include "ShiftLogSummaryWnd.h"
#include "VekApp.h"
#include "ZelException.h"

#include <csignal>
#include <ctime>

std::atomic<std::int64_t> last_database_activity{0};

namespace
{
// Every logged operation reports what leaves it, once, and passes it on marked as reported.
[[noreturn]] void report_and_rethrow(const char* function_name, int line)
{
    Zel::Exception e = Zel::Exception::from_current(function_name, "src-db/DB", line);
    log_and_show_exception(&e, "src-db/DB", line);
    e.report_pending = false;
    throw e;
}

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
           + " dbname=" + quote_connection_value(name) + " client_encoding=UTF8";
}

DB::DB(Cfg& cfg) try : Zel::PQDB(connection_string(cfg))
{
    // A server that goes away must not kill the process through a write on its socket.
    std::signal(SIGPIPE, SIG_IGN);

#if PQXX_VERSION_MAJOR < 7
    // libpqxx 6 would silently reconnect a broken connection, dropping the session's advisory
    // locks while the client believes it still holds them. A broken connection stays broken.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    inhibit_reactivation(true);
#pragma GCC diagnostic pop
#endif

    startTimer(60000);
}
catch (const pqxx::broken_connection& failure)
{
    ConnectionSecurity(cfg).explain_failure(failure);
}

DB::~DB()
{
    stopTimer();
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
    const Hold hold(*this);
    return Zel::PQDB::exec(sql);
}

pqxx::result DB::exec1(const std::string& sql)
{
    const Hold hold(*this);
    return Zel::PQDB::exec1(sql);
}

pqxx::result DB::exec_nt(const std::string& sql, const std::string& description)
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
        DBNT nt(*this, description);
        return nt.exec(sql, description);
    }
    catch (...)
    {
        // Reported once the non-transaction is closed: the report's own "problem" row needs the
        // connection.
        report_and_rethrow("DBNT::exec", __LINE__);
    }
}

std::string DB::update_poll_sql(std::int64_t last_load_time, const std::string& department_list)
{
    return "SELECT COUNT(*) FROM vek.logs WHERE EXTRACT(EPOCH FROM last_updated)::INTEGER > "
           + std::to_string(last_load_time) + " AND departments_id IN (" + department_list + ")";
}

void DB::timerCallback()
{
    if (poll_reporting)
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

    pqxx::nontransaction work(*this);
    const pqxx::result result = work.exec(update_poll_sql(last_load_time.load(), list));
    std::string count = result.at(0).at(0).c_str();
    work.commit();
    return count;
}

DBNT::DBNT(DB& db, const std::string& description) : hold(db), work(db, description)
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
    : hold(db), work(db, transaction_name), name(transaction_name)
{
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
