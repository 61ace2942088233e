#pragma once

#include <pqxx/pqxx>

#include <string>

namespace Zel
{
// One database connection with plain, unlogged queries, each in its own non-transaction.
class PQDB : public pqxx::connection
{
public:
    explicit PQDB(const std::string& connection_string);
    virtual ~PQDB();

    virtual pqxx::result exec(const std::string& sql);

    // Like exec, but anything other than exactly one row is an error.
    virtual pqxx::result exec1(const std::string& sql);
};
} // namespace Zel
