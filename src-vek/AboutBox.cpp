#include "AboutBox.h"

#include "Brand.h"
#include "Cfg.h"
#include "Interaction.h"
#include "Log.h"
#include "ZelString.h"

#include <juce_core/juce_core.h>
#include <pqxx/version>

std::string AboutBox::build_type()
{
#if JUCE_LINUX
    const std::string platform = "Linux";
#elif JUCE_MAC
    const std::string platform = "macOS";
#elif JUCE_WINDOWS
    const std::string platform = "Windows";
#elif JUCE_BSD
    const std::string platform = "BSD";
#else
    const std::string platform = "unknown platform";
#endif

#if defined(__x86_64__) || defined(_M_X64)
    const std::string processor = "x86_64";
#elif defined(__aarch64__) || defined(_M_ARM64)
    const std::string processor = "ARM64";
#elif defined(__i386__) || defined(_M_IX86)
    const std::string processor = "x86";
#elif defined(__arm__)
    const std::string processor = "ARM";
#else
    const std::string processor = "unknown processor";
#endif
    return platform + ", " + processor + " build";
}

std::string AboutBox::text()
{
    using juce::SystemStats;
    const std::string user
        = SystemStats::getLogonName().toStdString() + "@" + SystemStats::getComputerName().toStdString();
    const std::string system = std::string(SystemStats::isOperatingSystem64Bit() ? "64-bit " : "32-bit ")
                               + SystemStats::getOperatingSystemName().toStdString() + ", "
                               + SystemStats::getUserLanguage().toStdString() + ", "
                               + SystemStats::getUserRegion().toStdString();
    const std::string cfg_folder
        = Cfg::options().getDefaultFile().getParentDirectory().getFullPathName().toStdString();

    return Brand::current().title_prefix + short_product_name + "\n"
           + "\n"
           + support_address + "\n"
           + web_address + "\n"
           + "\n"
           + "Built: " __DATE__ " " __TIME__ "\n"
           + "Type: " + build_type() + "\n"
           + "User: " + user + "\n"
           + "O/S: " + system + "\n"
           + "Log: " + log_path() + "\n"
           + "Cfg: " + cfg_folder + "\n"
           + "\n"
           + "Juce: version " + std::to_string(JUCE_MAJOR_VERSION) + "." + std::to_string(JUCE_MINOR_VERSION) + "."
           + std::to_string(JUCE_BUILDNUMBER) + "\n"
           + "PQXX: version " PQXX_VERSION "\n"
           + "Zelmar: version " + Zel::version() + "\n"
           + "VEK DB: revision " + std::to_string(expected_database_revision);
}

void AboutBox::show()
{
    const std::string about = text();
    LogLine() << "About window information:\n" << about;
    Interaction::get().show_message_box_async(Interaction::Icon::info, Brand::current().about_title, about);
}
