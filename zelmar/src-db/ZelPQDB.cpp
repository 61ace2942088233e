#include "ZelPQDB.h"

#include "ZelException.h"

#include <utility>

#include <sys/socket.h>

namespace
{
// Plain queries are not reported to the user here: the description goes to standard output and
// the exception travels on still pending, so that the handler that catches it logs and shows it.
[[noreturn]] void print_and_rethrow(const char* function_name, int line)
{
    Zel::Exception e = Zel::Exception::from_current(function_name, "src-db/ZelPQDB", line);
    if (e.report_pending)
        e.print();
    throw e;
}
} // namespace

Zel::PQDB::PQDB(const std::string& connection_string) : parameters(connection_string), session(open_session())
{
}

Zel::PQDB::~PQDB() = default;

std::unique_ptr<pqxx::connection> Zel::PQDB::open_session() const
{
    auto fresh = std::make_unique<pqxx::connection>(parameters);
#if PQXX_VERSION_MAJOR < 7
    // libpqxx 6 would silently reconnect a broken session, dropping its advisory locks while the
    // client believes it still holds them. A broken session stays broken until it is replaced.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    fresh->inhibit_reactivation(true);
#pragma GCC diagnostic pop
#endif
    // A SQL_ASCII database keeps bytes of any encoding and refuses to send a UTF-8 client those
    // that are not UTF-8: they come as they are, and are shown as the client shows such bytes.
    if (pqxx::nontransaction(*fresh).exec("SHOW server_encoding")[0][0].as<std::string>() == "SQL_ASCII")
        fresh->set_client_encoding("SQL_ASCII");
    return fresh;
}

void Zel::PQDB::replace_session(std::unique_ptr<pqxx::connection> fresh)
{
    std::unique_ptr<pqxx::connection> old;
    {
        const std::lock_guard<std::mutex> lock(session_mutex);
        old = std::exchange(session, std::move(fresh));
    }
}

void Zel::PQDB::break_session()
{
    const std::lock_guard<std::mutex> lock(session_mutex);
    if (session->is_open())
        ::shutdown(session->sock(), SHUT_RDWR);
}

bool Zel::PQDB::cancel_query()
{
    const std::lock_guard<std::mutex> lock(session_mutex);
    try
    {
        if (! session->is_open())
            return false;
        session->cancel_query();
        return true;
    }
    catch (...)
    {
        return false;
    }
}

pqxx::result Zel::PQDB::exec(const std::string& sql)
{
    try
    {
        pqxx::nontransaction work(connection());
        pqxx::result result = work.exec(sql);
        work.commit();
        return result;
    }
    catch (...)
    {
        print_and_rethrow("Zel::PQDB::exec", __LINE__);
    }
}

pqxx::result Zel::PQDB::exec1(const std::string& sql)
{
    // exec has converted and printed its own failures; the row count is checked, not logged, here.
    pqxx::result result = exec(sql);
    if (result.size() != 1)
        throw Zel::Exception("Zel::PQDB::exec1", "src-db/ZelPQDB", __LINE__,
                             "Expected a single SQL row result, but got back " + std::to_string(result.size()) + ".",
                             sql);
    return result;
}
