#pragma once

#include <pqxx/except>

#include <string>

class Cfg;

// How the connection proves the server and the user: the TLS and password keywords of the
// connection string. A site that sets nothing gets "sslmode=require" and the file's password;
// a site may have the server's certificate verified (database_sslmode, database_sslrootcert),
// present a client certificate (database_sslcert, database_sslkey), and leave the password out
// (an empty or absent database_password), so that libpq takes it from ~/.pgpass or PGPASSFILE,
// or uses Kerberos or the certificate instead.
class ConnectionSecurity
{
public:
    explicit ConnectionSecurity(Cfg& cfg);

    // "sslmode=..." with the certificate files that are set; throws on a mode without TLS.
    std::string ssl_keywords() const;
    // " password='...'", or nothing for an empty password.
    std::string password_keyword() const;
    // Whether the server's certificate is checked against a CA.
    bool verifies_server() const;

    // Called with a failed connection: a certificate that did not verify becomes an exception
    // whose shown text names the server and the reason; anything else is left to the caller.
    void explain_failure(const pqxx::broken_connection& failure) const;

private:
    std::string host;
    std::string sslmode;
    std::string sslrootcert;
    std::string sslcert;
    std::string sslkey;
    std::string password;
};
