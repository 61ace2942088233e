// vek-site: a site of headless clients against one server, for sizing it. Each client is a process
// of its own with its own connection, running the client's own code for a while: the loading
// thread's 7-day load, the update poll's statement, the listener, and saves of existing entries
// under their record lock and of new ones with their display number. Afterwards it checks that
// nothing failed, that each department's new display numbers have no gap or duplicate and that
// no advisory lock is left, and prints the 95th percentiles of a save, a lock and a load.

#include "Cfg.h"
#include "DB.h"
#include "EditorComponent.h"
#include "Interaction.h"
#include "LoadWnd.h"
#include "LogLoader.h"
#include "VekApp.h"
#include "VekLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
const char* const usage = "usage: vek-site [--clients N] [--seconds S]\n"
                          "\n"
                          "Starts N headless clients (default 25) that work for S seconds (default 30) after all\n"
                          "of them have started, against the database of the client's configuration file, whose\n"
                          "remembered role must see every department.\n";

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Message boxes of a headless client are its failures: counted, and written to standard output.
class CountingInteraction : public Interaction
{
public:
    int failures = 0;

    void show_message_box(Icon, const std::string& title, const std::string& message, const std::string&) override
    {
        // An entry that another client edits is refused with a box: the lock works, nothing failed.
        const std::string refusal = "Is Locked!";
        if (title.size() >= refusal.size() && title.compare(title.size() - refusal.size(), refusal.size(), refusal) == 0)
            return;
        ++failures;
        std::string first_line = message.substr(0, message.find('\n'));
        std::cout << "error " << title << ": " << first_line << std::endl;
    }

    void show_message_box_async(Icon icon, const std::string& title, const std::string& message) override
    {
        show_message_box(icon, title, message, "");
    }
};

int run_client(int number, int seconds, const juce::File& go)
{
    juce::ScopedJuceInitialiser_GUI juce_initialiser;
    CountingInteraction boxes;
    Interaction::set(&boxes);
    VekApplication app;
    app.look_and_feel = install_look_and_feel();
    app.cfg = std::make_unique<Cfg>();
    app.database = std::make_unique<DB>(*app.cfg);
    app.current_role_id = static_cast<std::uint64_t>(app.cfg->getIntValue("role_id", 1));
    {
        LoadWnd window;
        window.load_tables();
    }
    DB& db = *app.database;
    std::vector<std::uint64_t> entries;
    for (const auto& row : db.exec("SELECT id FROM vek.logs WHERE motor_id IS NOT NULL AND categories_id IS NOT NULL "
                                   "AND downtime_reasons_id IS NOT NULL ORDER BY id DESC LIMIT 2000"))
        entries.push_back(row[0].as<std::uint64_t>());
    std::string departments = "0";
    for (const auto id : app.departments_for_current_role())
        departments += ", " + std::to_string(id);

    go.getSiblingFile(go.getFileName() + ".ready." + juce::String(number)).create();
    while (! go.exists())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));

    std::mt19937 random(static_cast<unsigned>(number));
    std::map<std::string, std::vector<double>> times;
    int refused = 0;
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    for (int cycle = 0; Clock::now() < end && ! entries.empty(); ++cycle)
    {
        auto start = Clock::now();
        LogLoader::Observer quiet;
        LogLoader loader(db, 1, quiet);
        loader.run();
        times["load"].push_back(milliseconds_since(start));

        db.exec(DB::update_poll_sql(last_load_time.load(), departments));
        db.take_changes();

        const std::uint64_t id = entries[random() % entries.size()];
        const bool existing = cycle % 2 == 0;
        {
            EditorComponent editor(true);
            start = Clock::now();
            editor.load_order(id, ! existing);
            if (existing)
                times["lock"].push_back(milliseconds_since(start));
            if (existing && ! editor.is_locked)
                ++refused; // another client edits it: the editor is read-only, as it should be
            else
            {
                // As a user would: someone listed, where the entry names nobody who is.
                for (GroupboxWithCombobox* field : std::initializer_list<GroupboxWithCombobox*>{&editor.author, &editor.shift})
                    if (field->get_dbid() == 0 && ! field->items().empty())
                        field->select_dbid(static_cast<std::uint64_t>(field->items().front().id));
                if (! existing)
                    editor.status.show_text("open");
                editor.problem.setText("site client " + juce::String(number) + " cycle " + juce::String(cycle), false);
                start = Clock::now();
                if (editor.save_order())
                    times["save"].push_back(milliseconds_since(start));
            }
        }
        // A person's pace: a few seconds between saves.
        std::this_thread::sleep_for(std::chrono::milliseconds(500 + static_cast<int>(random() % 2000)));
    }
    for (const auto& [kind, values] : times)
        for (const double value : values)
            std::cout << kind << " " << value << "\n";
    std::cout << "refused " << refused << "\nfailures " << boxes.failures << std::endl;

    app.database.reset();
    app.cfg.reset();
    uninstall_look_and_feel();
    Interaction::set(nullptr);
    return boxes.failures == 0 ? 0 : 1;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(values.size())))];
}

std::map<std::uint64_t, long long> highest_numbers(DB& db)
{
    std::map<std::uint64_t, long long> highest;
    for (const auto& row : db.exec("SELECT departments_id, COALESCE(MAX(display_number), 0) FROM vek.logs WHERE "
                                   "departments_id IS NOT NULL GROUP BY departments_id"))
        highest[row[0].as<std::uint64_t>()] = row[1].as<long long>();
    return highest;
}

int run_site(int clients, int seconds)
{
    juce::ScopedJuceInitialiser_GUI juce_initialiser;
    Cfg cfg;
    DB db(cfg);
    const std::map<std::uint64_t, long long> before = highest_numbers(db);
    const juce::File go = juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("vek-site-go", "");
    const juce::String self = juce::File::getSpecialLocation(juce::File::currentExecutableFile).getFullPathName();

    std::vector<std::unique_ptr<juce::ChildProcess>> processes;
    for (int i = 0; i < clients; ++i)
    {
        processes.push_back(std::make_unique<juce::ChildProcess>());
        if (! processes.back()->start(juce::StringArray{self, "--client", juce::String(i), "--seconds",
                                                        juce::String(seconds), "--go", go.getFullPathName()}))
            std::cerr << "vek-site: client " << i << " did not start" << std::endl;
    }
    const auto started = Clock::now();
    const auto ready = [&] {
        int count = 0;
        for (int i = 0; i < clients; ++i)
            count += go.getSiblingFile(go.getFileName() + ".ready." + juce::String(i)).exists() ? 1 : 0;
        return count;
    };
    while (ready() < clients && milliseconds_since(started) < 600000)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::cerr << "vek-site: " << ready() << " of " << clients << " clients started in "
              << milliseconds_since(started) / 1000 << " s" << std::endl;
    go.create();

    // The sessions at the busiest moment, this one's included.
    long long sessions = 0;
    const auto work_end = Clock::now() + std::chrono::seconds(seconds);
    while (Clock::now() < work_end)
    {
        sessions = std::max(sessions, db.exec1("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                                               "current_database()")[0][0].as<long long>());
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }

    std::map<std::string, std::vector<double>> times;
    int failed = 0;
    for (auto& process : processes)
    {
        std::istringstream output(process->readAllProcessOutput().toStdString());
        const bool ended = process->waitForProcessToFinish(120000);
        failed += ended && process->getExitCode() == 0 ? 0 : 1;
        // "kind value" lines; the rest (errors, the library's own output) is passed on.
        for (std::string line; std::getline(output, line);)
        {
            std::istringstream words(line);
            std::string kind;
            double value = 0;
            if (words >> kind >> value && words.eof() && kind != "error")
                times[kind].push_back(value);
            else if (! line.empty())
                std::cerr << "vek-site: " << line << std::endl;
        }
    }
    for (int i = 0; i < clients; ++i)
        go.getSiblingFile(go.getFileName() + ".ready." + juce::String(i)).deleteFile();
    go.deleteFile();

    bool numbers_ok = true;
    for (const auto& [department, highest] : before)
    {
        const pqxx::result result = db.exec1("SELECT count(*), count(DISTINCT display_number), COALESCE(MAX(display_number), "
                                       + std::to_string(highest) + ") FROM vek.logs WHERE departments_id = "
                                       + std::to_string(department) + " AND display_number > " + std::to_string(highest));
        const pqxx::row row = result[0];
        const long long count = row[0].as<long long>();
        if (count != row[1].as<long long>() || row[2].as<long long>() - highest != count)
        {
            numbers_ok = false;
            std::cerr << "vek-site: department #" << department << ": " << count << " new numbers, "
                      << row[1].as<long long>() << " distinct, up to " << row[2].as<long long>() << " from "
                      << highest << std::endl;
        }
    }
    const long long locks = db.exec1("SELECT count(*) FROM pg_locks l JOIN pg_database d ON d.oid = l.database WHERE "
                                     "l.locktype = 'advisory' AND d.datname = current_database()")[0][0]
                                .as<long long>();
    double refused = 0;
    for (const double count : times["refused"])
        refused += count;

    std::cout << "clients " << clients << ": save p95 " << percentile(times["save"], 0.95) << " ms ("
              << times["save"].size() << "), lock p95 " << percentile(times["lock"], 0.95) << " ms ("
              << times["lock"].size() << ", " << refused << " refused as taken), 7-day load p95 " << percentile(times["load"], 0.95) << " ms ("
              << times["load"].size() << "), sessions at most " << sessions << ", failed clients " << failed
              << ", display numbers " << (numbers_ok ? "without gap or duplicate" : "WRONG")
              << ", advisory locks left " << locks << std::endl;
    return failed == 0 && numbers_ok && locks == 0 ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    int clients = 25;
    int seconds = 30;
    int client = -1;
    juce::File go;
    for (int i = 1; i < argc; ++i)
    {
        const std::string option = argv[i];
        if (i + 1 >= argc)
        {
            std::cerr << usage;
            return 2;
        }
        const std::string value = argv[++i];
        if (option == "--clients")
            clients = std::max(1, std::stoi(value));
        else if (option == "--seconds")
            seconds = std::max(1, std::stoi(value));
        else if (option == "--client")
            client = std::stoi(value);
        else if (option == "--go")
            go = juce::File(value);
        else
        {
            std::cerr << usage;
            return 2;
        }
    }
    try
    {
        return client >= 0 ? run_client(client, seconds, go) : run_site(clients, seconds);
    }
    catch (const std::exception& e)
    {
        std::cerr << "vek-site: " << e.what() << std::endl;
        return 1;
    }
}
