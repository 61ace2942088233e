#include "ZelPQDB.h"

#include "ZelException.h"

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

Zel::PQDB::PQDB(const std::string& connection_string) : pqxx::connection(connection_string)
{
}

Zel::PQDB::~PQDB() = default;

pqxx::result Zel::PQDB::exec(const std::string& sql)
{
    try
    {
        pqxx::nontransaction work(*this);
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
