#include "ConnectionSecurity.h"

#include "Cfg.h"
#include "DB.h"
#include "ZelException.h"
#include "ZelString.h"

ConnectionSecurity::ConnectionSecurity(Cfg& cfg)
    : host(cfg.get_optional("database_address")), sslmode(cfg.get_optional(Cfg::sslmode_key)),
      sslrootcert(cfg.get_optional(Cfg::sslrootcert_key)), sslcert(cfg.get_optional(Cfg::sslcert_key)),
      sslkey(cfg.get_optional(Cfg::sslkey_key)), password(cfg.get_optional("database_password"))
{
    if (sslmode.empty())
        sslmode = sslrootcert.empty() ? "require" : "verify-full";
}

std::string ConnectionSecurity::ssl_keywords() const
{
    // Never weaker than the client has always been: encrypted, whatever the file says.
    if (sslmode != "require" && ! verifies_server())
        throw Zel::Exception("ConnectionSecurity::ssl_keywords", "src-db/ConnectionSecurity", __LINE__,
                             std::string(Cfg::sslmode_key) + " must be require, verify-ca or verify-full, not \""
                                 + sslmode + "\"");
    std::string keywords = "sslmode=" + sslmode;
    const std::pair<const char*, std::string> files[] = {
        {"sslrootcert", sslrootcert}, {"sslcert", sslcert}, {"sslkey", sslkey}};
    for (const auto& [keyword, value] : files)
        if (! value.empty())
            keywords += std::string(" ") + keyword + "=" + DB::quote_connection_value(value);
    return keywords;
}

std::string ConnectionSecurity::password_keyword() const
{
    return password.empty() ? std::string() : " password=" + DB::quote_connection_value(password);
}

bool ConnectionSecurity::verifies_server() const
{
    return sslmode == "verify-ca" || sslmode == "verify-full";
}

void ConnectionSecurity::explain_failure(const pqxx::broken_connection& failure) const
{
    const std::string reason = Zel::trim(failure.what());
    if (! verifies_server() || reason.find("certificate") == std::string::npos)
        return;
    Zel::Exception e("ConnectionSecurity::explain_failure", "src-db/ConnectionSecurity", __LINE__, reason);
    e.shown_text = "The database server " + host + " could not prove who it is, so the client did not connect: "
                   + reason;
    throw e;
}
