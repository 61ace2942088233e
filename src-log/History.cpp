#include "History.h"

#include "Brand.h"
#include "DB.h"
#include "Log.h"
#include "VekApp.h"

#include <juce_core/juce_core.h>

namespace
{
// Set while this thread writes a history row, so that the report of its failure (which records
// a "problem" event) does not start the same failing insert again.
thread_local bool insert_in_progress = false;

const char* const equals_line = "========================================================";
} // namespace

std::string history_event_name(int kind)
{
    switch (kind)
    {
        case HistoryEvent::connect: return "connect";
        case HistoryEvent::disconnect: return "disconnect";
        case HistoryEvent::problem: return "problem";
        case HistoryEvent::save: return "save";
        case HistoryEvent::admin: return "admin";
        case HistoryEvent::report: return "report";
        case HistoryEvent::print: return "print";
        default: return "other";
    }
}

std::string user_identity()
{
    return (juce::SystemStats::getLogonName() + "@" + juce::SystemStats::getComputerName()).toStdString();
}

void add_history_event(int kind, std::uint64_t other_id, const std::string& description)
{
    const std::string name = history_event_name(kind);
    LogLine() << equals_line;
    LogLine() << "adding database record for event type '" << name << "': " << description;
    LogLine() << equals_line;

    if (insert_in_progress)
        return;

    try
    {
        DB* db = VekApplication::database_if_any();
        if (db == nullptr || db->lost_since() != 0)
            return;

        insert_in_progress = true;
        const std::string sql = "INSERT INTO vek.client_history (username, event, other_id, version, description) VALUES ('"
                                + db->esc(user_identity()) + "', '" + name + "', "
                                + (other_id == 0 ? std::string("NULL") : std::to_string(other_id)) + ", '"
                                + db->esc(vek_version) + "', '" + db->esc(description) + "')";
        db->exec_nt(sql, "");
    }
    catch (...)
    {
    }
    insert_in_progress = false;
}
