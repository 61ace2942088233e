// vek-fakelogs: fills a database with believable test data, for trying the client on a big site
// and for measuring it. Connects like the client, with the keys of its configuration file unless
// options give them.

#include "Cfg.h"
#include "DB.h"
#include "FakeLogs.h"
#include "History.h"
#include "ZelException.h"
#include "ZelPQDB.h"

#include <juce_events/juce_events.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace
{
const char* const usage =
    "usage: vek-fakelogs [--logs N] [--motors N] [--employees N] [--categories N] [--seed N] [--years N]\n"
    "                    [--address HOST] [--port PORT] [--user NAME] [--password TEXT] [--database NAME]\n"
    "\n"
    "Adds N log entries (--logs) spread over the last --years years (default 10), and before them, when\n"
    "asked, equipment, employees and categories in bulk. The same --seed on the same site gives the same\n"
    "data; without it the time is the seed. The connection is taken from the client's configuration file;\n"
    "the options override its keys database_address, database_port, database_username,\n"
    "database_password and database_name.\n";

// Connection options and the configuration keys they stand for.
const std::vector<std::pair<std::string, std::string>> connection_options = {
    {"--address", "database_address"},   {"--port", "database_port"},  {"--user", "database_username"},
    {"--password", "database_password"}, {"--database", "database_name"},
};

bool parse_count(const std::string& text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoull(text);
    return true;
}

bool parse_years(const std::string& text, double& value)
{
    try
    {
        std::size_t used = 0;
        value = std::stod(text, &used);
        return used == text.size() && value > 0 && value <= 100;
    }
    catch (const std::exception&)
    {
        return false;
    }
}

// Fills in the keys that no option gave from the client's configuration file. The file's timer
// wants a message manager; no window is ever opened.
void read_configuration(std::map<std::string, std::string>& keys)
{
    bool complete = true;
    for (const auto& option : connection_options)
        complete = complete && keys.count(option.second) > 0;
    if (complete)
        return;

    juce::MessageManager::getInstance();
    {
        Cfg cfg;
        for (const auto& option : connection_options)
            if (keys.count(option.second) == 0)
                keys[option.second] = cfg.get_str(option.second);
    }
    juce::DeletedAtShutdown::deleteAll();
    juce::MessageManager::deleteInstance();
}

double seconds_since(std::chrono::steady_clock::time_point begin)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}
} // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> keys;
    std::uint64_t logs = 0, motors = 0, employees = 0, categories = 0;
    std::uint64_t seed = static_cast<std::uint64_t>(std::time(nullptr));
    double years = 10.0;

    for (int i = 1; i < argc; ++i)
    {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h")
        {
            std::cout << usage;
            return 0;
        }
        if (i + 1 >= argc)
        {
            std::cerr << "vek-fakelogs: " << option << " needs a value\n" << usage;
            return 2;
        }
        const std::string value = argv[++i];

        bool valid = true;
        bool known = true;
        if (option == "--logs")
            valid = parse_count(value, logs);
        else if (option == "--motors")
            valid = parse_count(value, motors);
        else if (option == "--employees")
            valid = parse_count(value, employees);
        else if (option == "--categories")
            valid = parse_count(value, categories);
        else if (option == "--seed")
            valid = parse_count(value, seed);
        else if (option == "--years")
            valid = parse_years(value, years);
        else
        {
            known = false;
            for (const auto& connection_option : connection_options)
                if (option == connection_option.first)
                {
                    keys[connection_option.second] = value;
                    known = true;
                }
        }
        if (! known || ! valid)
        {
            std::cerr << "vek-fakelogs: " << (known ? "bad value \"" + value + "\" for " : "unknown option ")
                      << option << "\n"
                      << usage;
            return 2;
        }
    }
    if (logs == 0 && motors == 0 && employees == 0 && categories == 0)
    {
        std::cerr << "vek-fakelogs: nothing to add; give --logs, --motors, --employees or --categories\n" << usage;
        return 2;
    }

    try
    {
        read_configuration(keys);

        // SSL as the client demands it. Not named "vek ...": the connected-users report counts
        // the clients by that prefix, and this is no client.
        const std::string connection = "sslmode=require application_name="
                                       + DB::quote_connection_value("vek-fakelogs " + user_identity())
                                       + " host=" + DB::quote_connection_value(keys["database_address"])
                                       + " port=" + DB::quote_connection_value(keys["database_port"])
                                       + " user=" + DB::quote_connection_value(keys["database_username"])
                                       + " password=" + DB::quote_connection_value(keys["database_password"])
                                       + " dbname=" + DB::quote_connection_value(keys["database_name"])
                                       + " client_encoding=UTF8";
        Zel::PQDB db(connection);
        std::cout << "connected to database " << keys["database_name"] << " on " << keys["database_address"]
                  << ":" << keys["database_port"] << " as " << keys["database_username"] << "\n";

        FakeLogs fake(db);
        fake.years = years;
        if (motors > 0 || employees > 0 || categories > 0)
        {
            const auto begin = std::chrono::steady_clock::now();
            fake.add_reference_data(motors, employees, categories, seed);
            std::cout << "added " << motors << " pieces of equipment, " << employees << " employees and "
                      << categories << " categories in " << seconds_since(begin) << " s\n";
        }
        if (logs > 0)
        {
            const auto begin = std::chrono::steady_clock::now();
            fake.add_log_entries(logs, seed);
            std::cout << "added " << logs << " log entries over " << years << " years in " << seconds_since(begin)
                      << " s (seed " << seed << ")\n";
        }
        return 0;
    }
    catch (const std::exception& e)
    {
        std::cerr << "vek-fakelogs: " << e.what() << "\n";
        return 1;
    }
    catch (...)
    {
        std::cerr << "vek-fakelogs: unknown error\n";
        return 1;
    }
}
