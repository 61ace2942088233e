#include "CommandLine.h"

#include "Brand.h"
#include "Cfg.h"
#include "Log.h"

std::optional<int> CommandLine::answer(const std::vector<std::string>& arguments, std::ostream& out)
{
    for (std::size_t index = 1; index < arguments.size(); ++index)
    {
        if (arguments[index] == "--version")
        {
            out << version_text();
            return 0;
        }
        if (arguments[index] == "--help")
        {
            const std::string& path = arguments.front();
            out << help_text(path.substr(path.find_last_of('/') + 1));
            return 0;
        }
    }
    return std::nullopt;
}

std::string CommandLine::version_text()
{
    return Brand::current().application_name + " " + vek_version + "\n";
}

std::string CommandLine::help_text(const std::string& program)
{
    const std::string configuration = Cfg::options().getDefaultFile().getFullPathName().toStdString();
    return "Usage: " + program + " [--help | --version]\n"
           + Brand::current().application_name
           + ": the desktop client of a site's maintenance log.\n"
             "\n"
             "Opens the site's shared PostgreSQL database of equipment maintenance log entries\n"
             "in a window. Crews open, clone, edit and close entries; supervisors filter, sort\n"
             "and print them; administrators keep the reference tables.\n"
             "\n"
             "Configuration: "
           + configuration
           + "\n"
             "  the database connection (database_address, database_port, database_username,\n"
             "  database_password, database_name), written with defaults at the first start\n"
             "Log file:      "
           + log_path()
           + "\n"
             "\n"
             "Options:\n"
             "  --help     print this text and exit\n"
             "  --version  print the product and its version and exit\n"
             "Any other argument is ignored.\n";
}
