#include "UsersReport.h"

#include "DB.h"
#include "Interaction.h"
#include "Log.h"
#include "VekApp.h"
#include "ZelException.h"
#include "ZelString.h"

#include <cstdint>
#include <set>

std::string UsersReport::text(DB& db)
{
    std::string report;

    const pqxx::result active
        = db.exec_nt("SELECT application_name, client_addr, backend_start, usename, EXTRACT(EPOCH FROM "
                     "backend_start)::INTEGER AS epoch FROM pg_stat_activity WHERE application_name LIKE 'vek%' "
                     "ORDER BY backend_start DESC",
                     "");
    if (! active.empty())
        report += "Active user connections:\n";
    // Where people log in with logins of their own, each line names it.
    std::set<std::string> logins;
    for (const auto& row : active)
        logins.insert(row["usename"].c_str());
    for (const auto& row : active)
    {
        const std::string name = row["application_name"].c_str();
        const std::string address = row["client_addr"].c_str();
        const std::string age = Zel::approximateAge(row["epoch"].as<std::int64_t>());
        LogLine() << "active: " << name << ": " << address << " - " << age;
        report += "\n    - " + name + ": " + age;
        if (logins.size() > 1)
            report += std::string(" (login ") + row["usename"].c_str() + ")";
    }

    const pqxx::result recent
        = db.exec_nt("SELECT username, EXTRACT(EPOCH FROM event_timestamp)::INTEGER AS epoch FROM vek.client_history "
                     "WHERE event='disconnect' ORDER BY event_timestamp DESC LIMIT 100",
                     "");
    if (! recent.empty())
        report += "\n\nRecent user connections:\n";
    std::set<std::string> listed;
    for (const auto& row : recent)
    {
        const std::string user = row["username"].c_str();
        const std::string age = Zel::approximateAge(row["epoch"].as<std::int64_t>());
        if (! listed.insert(user).second)
            continue;
        LogLine() << "recent: " << user << ":  - " << age;
        report += "\n    - " + user + ": " + age;
        if (listed.size() == 10)
            break;
    }
    return report;
}

void UsersReport::show()
{
    try
    {
        DB* db = VekApplication::database_if_any();
        if (db == nullptr)
            throw Zel::Exception("UsersReport::show", "src-vek/UsersReport", __LINE__,
                                 "no database connection for the users report");
        Interaction::get().show_message_box_async(Interaction::Icon::info, "Talvik Maintenance Logs", text(*db));
    }
    catch (...)
    {
        log_and_show_current_exception("UsersReport::show", "src-vek/UsersReport", __LINE__);
    }
}
