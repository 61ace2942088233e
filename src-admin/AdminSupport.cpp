#include "AdminSupport.h"

#include "DB.h"
#include "Log.h"
#include "VekApp.h"
#include "ZelException.h"

DB& admin_database()
{
    DB* db = vek().database.get();
    if (db == nullptr)
        throw Zel::Exception("admin_database", "src-admin/AdminSupport", __LINE__,
                             "the administration editors need a database connection");
    return *db;
}

void report_failures(const std::string& function_name, const std::string& source, int line,
                     const std::function<void()>& work)
{
    try
    {
        work();
    }
    catch (...)
    {
        log_and_show_current_exception(function_name, source, line);
    }
}
