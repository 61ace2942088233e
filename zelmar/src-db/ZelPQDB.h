#pragma once

#include <pqxx/pqxx>

#include <memory>
#include <mutex>
#include <string>

namespace Zel
{
// One database session with plain, unlogged queries, each in its own non-transaction. The
// session is an object of its own so that a broken one can be replaced by a new one explicitly;
// nothing reconnects behind the caller's back.
class PQDB
{
public:
    // Connects at once; throws pqxx::broken_connection when the server cannot be reached.
    explicit PQDB(const std::string& connection_string);
    virtual ~PQDB();

    virtual pqxx::result exec(const std::string& sql);

    // Like exec, but anything other than exactly one row is an error.
    virtual pqxx::result exec1(const std::string& sql);

    // The session in use. Not for two threads at once.
    pqxx::connection& connection() { return *session; }

    std::string esc(const std::string& text) { return session->esc(text); }
    bool is_open() const { return session->is_open(); }

    // Asks the server to stop the statement now running on the session; callable from any thread
    // while another one waits for that statement. False when the request could not be sent.
    bool cancel_query();

    // Cuts the session's socket, so that a statement waiting on a server that no longer answers
    // fails at once; the session is broken afterwards. Any thread.
    void break_session();

    // Opens a new session with the same parameters, without touching the one in use.
    std::unique_ptr<pqxx::connection> open_session() const;

    // Puts a new session in place of the one in use, which is closed. The caller makes sure that
    // no statement runs meanwhile.
    void replace_session(std::unique_ptr<pqxx::connection> fresh);

private:
    const std::string parameters;
    std::unique_ptr<pqxx::connection> session;
    // Guards the session pointer against a cancel from another thread while it is replaced.
    std::mutex session_mutex;
};
} // namespace Zel
