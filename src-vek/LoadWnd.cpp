#include "LoadWnd.h"

#include "AlternateSignalStack.h"
#include "Brand.h"
#include "Cfg.h"
#include "DB.h"
#include "History.h"
#include "Interaction.h"
#include "Log.h"
#include "ShownText.h"
#include "VekApp.h"
#include "WaitingMessage.h"
#include "WebLookup.h"
#include "ZelException.h"
#include "ZelString.h"

#include <ctime>
#include <map>

std::atomic<unsigned> display_number_width{1};

unsigned display_number_width_for(long long highest_display_number, bool table_empty)
{
    const long long value = table_empty ? 1 : highest_display_number;
    return static_cast<unsigned>(std::to_string(value + 5).size());
}

LoadWnd::LoadWnd()
    : juce::ThreadWithProgressWindow(ShownText::from_bytes(Brand::current().load_window_title), true, false,
                                     10000, "", nullptr)
{
    // Below the splash screen, which shows the logo in the middle of the screen.
    if (auto* window = getAlertWindow())
        window->setTopLeftPosition(window->getX(), window->getY() + get_logo_image().getHeight() + 25);
}

LoadWnd::~LoadWnd() = default;

void LoadWnd::run()
{
    const AlternateSignalStack crash_stack;
    try
    {
        loading(500, "Connecting to database...");
        set_session_time_zone();
        add_history_event(HistoryEvent::connect, 0, "client start");
        verify_database_version();
        verify_client_version();
        show_message_of_the_day();
        find_display_number_width();
        load_tables();
        success = true;
    }
    catch (...)
    {
        log_and_show_current_exception("LoadWnd::run", "src-vek/LoadWnd", __LINE__);
    }
}

void LoadWnd::loading(double increment, const std::string& text)
{
    if (! text.empty())
    {
        LogLine() << "loading: " << text;
        setStatusMessage(ShownText::from_bytes(text));
    }

    if (total < 100)
    {
        total = vek().cfg->getIntValue("number_of_items_to_load", 500);
        if (total < 1)
            total = 500;
    }

    if (increment > 0)
    {
        done += increment;
        if (done < 1)
            done = 1;
        LogLine() << "update progress bar: " << done << "/" << total << " = "
                  << Zel::formatDouble(done / total * 100.0, 1) << "%";
        setProgress(done / total);
    }
}

long LoadWnd::local_standard_bias_minutes()
{
    tzset();
    // `timezone` is seconds west of Greenwich for standard time: the same sign as the bias.
    return static_cast<long>(timezone / 60);
}

std::string LoadWnd::utc_offset_name(long bias_minutes)
{
    return "UTC" + std::to_string(-bias_minutes / 60);
}

std::vector<std::string> LoadWnd::time_zone_candidates(const std::string* configured,
                                                       const std::string* system_offset)
{
    std::vector<std::string> candidates;
    candidates.push_back(configured != nullptr ? *configured : "America/Vancouver");
    if (system_offset != nullptr)
        candidates.push_back(*system_offset);
    candidates.push_back("America/Vancouver");
    candidates.push_back("PST8PDT");
    return candidates;
}

void LoadWnd::set_session_time_zone()
{
    VekApplication& app = vek();
    Cfg& cfg = *app.cfg;
    DB& db = *app.database;

    std::string configured;
    const bool has_configured = cfg.containsKey("timezone");
    if (has_configured)
        configured = cfg.getValue("timezone").toStdString();
    const std::string system_offset = utc_offset_name(local_standard_bias_minutes());

    std::vector<std::string> candidates
        = time_zone_candidates(has_configured ? &configured : nullptr, &system_offset);
    for (auto& candidate : candidates)
    {
        candidate = db.esc(Zel::simplifyWhitespace(candidate));
        if (! candidate.empty())
            LogLine() << "-> possible client timezone: \"" << candidate << "\"";
    }

    for (const auto& candidate : candidates)
    {
        try
        {
            LogLine() << "attempt to set the database session timezone to \"" << candidate << "\"";
            db.exec_nt("SET SESSION TIME ZONE '" + candidate + "'", "");
            LogLine() << "timezone has now been set to \"" << candidate << "\"";
            if (cfg.get_str("timezone") != candidate)
                cfg.setValue("timezone", ShownText::from_bytes(candidate));
            return;
        }
        catch (...)
        {
            LogLine() << "failed to set the timezone using the name \"" << candidate << "\"";
        }
    }
}

std::string LoadWnd::revision_mismatch_message(int server_revision)
{
    return "The database server revision number is " + std::to_string(server_revision)
           + ", but the Talvik Maintenance Logs application was expecting revision number "
           + std::to_string(expected_database_revision) + ".\n\n(The VEK client software you are running is v"
           + vek_version + ", which is " + (server_revision < expected_database_revision ? "NEWER" : "OLDER")
           + " than the version installed on the server!)\n\nThis mismatch in database revision numbers prevents VEK "
             "from running on this computer.\n\nPlease contact support for assistance.";
}

void LoadWnd::verify_database_version()
{
    loading(500, "Verifying database version number...");
    const pqxx::result result
        = vek().database->exec1("SELECT db_version FROM vek.database_history ORDER BY event_timestamp DESC LIMIT 1");
    const int revision = result[0]["db_version"].as<int>();
    if (revision == expected_database_revision)
        return;

    const std::string message = revision_mismatch_message(revision);
    LogLine() << message;
    Interaction::get().show_message_box(Interaction::Icon::warning, "Database Revision Mismatch", message,
                                        "Quit from VEK");
    Interaction::get().quit_application();
    Interaction::get().exit_process(1);
    // Only a test's recorder returns from the exit; nothing more of the load may run, and the
    // user has been told already.
    Zel::Exception stop("LoadWnd::verify_database_version", "src-vek/LoadWnd", __LINE__, "database revision mismatch");
    stop.report_pending = false;
    throw stop;
}

void LoadWnd::verify_client_version()
{
    loading(500, "Verifying client version number...");
    const WebLookup web(vek().cfg->web_server());
    if (! web.enabled())
    {
        LogLine() << "no web server configured: the client version is not checked";
        return;
    }

    const std::string address = web.listing_address();
    LogLine() << "getting download information from " << address;
    const std::string newest
        = WebLookup::newest_version(run_curl(address, listing_size_limit), Brand::current().web_product_word);
    if (newest.empty())
        return;

    LogLine() << "current version=" << vek_version << ", most recent version=" << newest;
    if (WebLookup::is_newer(newest, vek_version))
        web.offer_download(newest);
}

void LoadWnd::show_message_of_the_day()
{
    loading(500, "Getting ready...");
    const WebLookup web(vek().cfg->web_server());
    if (! web.enabled())
    {
        LogLine() << "no web server configured: no message of the day";
        return;
    }

    std::string text = Zel::trim(run_curl(web.first_message_address(), message_size_limit));
    if (text.empty())
    {
        loading(500, "");
        text = Zel::trim(run_curl(web.second_message_address(), message_size_limit));
    }
    if (text.empty())
        return;
    text = ShownText::shortened(text, shown_message_limit);

    LogLine() << "MOTD: " << text;
    Interaction::get().show_message_box_async(Interaction::Icon::info, "Talvik Maintenance Logs", text);
}

void LoadWnd::find_display_number_width()
{
    loading(500, "");
    const pqxx::result result = vek().database->exec1("SELECT MAX(display_number) FROM vek.logs");
    const pqxx::field field = result[0][0];
    display_number_width = display_number_width_for(field.is_null() ? 0 : field.as<long long>(), field.is_null());
}

namespace
{
// Reads one relation into its map and order list, logging every record; the lines of a relation
// go to the file together.
template <typename Record>
void load_relation(LoadWnd& window, DB& db, const std::string& sql, std::map<std::uint64_t, Record>& map,
                   std::vector<std::uint64_t>* order)
{
    const LogGroup lines_of_the_relation;
    for (const auto& row : db.exec_nt(sql, ""))
    {
        window.loading(1, "");
        Record record(row);
        LogLine() << "loading: " << record.describe();
        const std::uint64_t id = record.id;
        map.insert_or_assign(id, std::move(record));
        if (order != nullptr)
            order->push_back(id);
    }
}

// As above, with the order list sorted byte-wise by a key; equal keys keep the server's order.
template <typename Record, typename Key>
void load_sorted_relation(LoadWnd& window, DB& db, const std::string& sql, std::map<std::uint64_t, Record>& map,
                          std::vector<std::uint64_t>& order, Key key)
{
    const LogGroup lines_of_the_relation;
    std::multimap<std::string, std::uint64_t> sorted;
    for (const auto& row : db.exec_nt(sql, ""))
    {
        window.loading(1, "");
        Record record(row);
        LogLine() << "loading: " << record.describe();
        const std::uint64_t id = record.id;
        sorted.emplace(key(record), id);
        map.insert_or_assign(id, std::move(record));
    }
    for (const auto& [name, id] : sorted)
    {
        window.loading(1, "");
        order.push_back(id);
    }
}
} // namespace

void LoadWnd::load_tables()
{
    loading(0, waiting_message("Loading tables..."));

    VekApplication& app = vek();
    DB& db = *app.database;
    load_sorted_relation(*this, db, "SELECT * FROM vek.cost_center", app.cost_centers, app.cost_center_ids,
                         [](const CostCenter& r) { return r.name; });
    load_sorted_relation(*this, db, "SELECT * FROM vek.process", app.processes, app.process_ids,
                         [](const Process& r) { return r.name; });
    load_sorted_relation(*this, db, "SELECT * FROM vek.motors", app.motors, app.motor_ids,
                         [](const Motor& r) { return r.mid; });
    load_relation(*this, db, "SELECT * FROM vek.departments ORDER BY name", app.departments, &app.department_ids);
    load_relation(*this, db, "SELECT * FROM vek.roles ORDER BY name", app.roles, &app.role_ids);
    load_relation<RoleView>(*this, db, "SELECT * FROM vek.roleviews", app.roleviews, nullptr);
    load_relation(*this, db, "SELECT * FROM vek.categories ORDER BY name, departments_id", app.categories,
                  &app.category_ids);
    load_relation(*this, db, "SELECT * FROM vek.all_employees ORDER BY full_name2, departments_id", app.employees,
                  &app.employee_ids);
    load_relation(*this, db, "SELECT * FROM vek.shifts ORDER BY name", app.shifts, &app.shift_ids);
    load_relation(*this, db, "SELECT * FROM vek.status ORDER BY id", app.statuses, &app.status_ids);
    load_relation(*this, db, "SELECT * FROM vek.downtime_reasons ORDER BY name, departments_id", app.downtime_reasons,
                  &app.downtime_reason_ids);
    app.tables_loaded();

    if (done < total)
    {
        setStatusMessage("Finish loading...");
        for (int step = 0; step < 10; ++step)
        {
            loading(100, "");
            juce::Thread::sleep(100);
        }
    }
    else
    {
        done += 1000;
    }

    if (done != total)
        app.cfg->setValue("number_of_items_to_load", static_cast<juce::int64>(done));
}
