#include "Cfg.h"

#include "Brand.h"
#include "ShownText.h"
#include "ZelException.h"
#include "ZelString.h"

#include <sys/stat.h>

juce::PropertiesFile::Options Cfg::options()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "TalvikMaintenanceLogs";
    options.filenameSuffix = ".cfg";
    options.folderName = "";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = true;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    return options;
}

Cfg::Cfg() : juce::PropertiesFile(options())
{
    keep_private();
    repair_encoding();
    set_defaults();
}

void Cfg::repair_encoding()
{
    // The framework reads the file as UTF-8 only; a value typed in Latin-1 or Windows-1252 would
    // come back garbled. Its letters are kept, written back as UTF-8 before the values are read.
    juce::MemoryBlock bytes;
    if (! getFile().loadFileAsData(bytes))
        return;
    const std::string_view text(static_cast<const char*>(bytes.getData()), bytes.getSize());
    if (ShownText::is_valid_utf8(text))
        return;
    const std::string repaired = ShownText::repaired(text);
    if (getFile().replaceWithData(repaired.data(), repaired.size()))
        reload();
    keep_private();
}

Cfg::~Cfg()
{
    save_privately();
}

void Cfg::timerCallback()
{
    save_privately();
}

void Cfg::save_privately()
{
    saveIfNeeded();
    keep_private();
}

void Cfg::keep_private()
{
    const juce::File file = getFile();
    const juce::File folder = file.getParentDirectory();
    if (! folder.exists())
        ::mkdir(folder.getFullPathName().toRawUTF8(), 0700);
    else
        ::chmod(folder.getFullPathName().toRawUTF8(), 0700);
    if (file.existsAsFile())
        ::chmod(file.getFullPathName().toRawUTF8(), 0600);
}

void Cfg::set_defaults()
{
    const Brand& brand = Brand::current();
    // The default password belongs to the default login: a file that names a login of its own
    // and no password means a password from elsewhere (~/.pgpass, Kerberos, a certificate).
    const bool default_login = ! containsKey("database_username");
    set_if_missing("database_address", brand.default_database_address);
    if (default_login)
        set_if_missing("database_password", brand.default_database_password);
    set_if_missing("database_port", std::int64_t{5432});
    set_if_missing("database_username", std::string("vuser"));
    set_if_missing("database_name", std::string("vekdb"));
    save_privately();
}

Cfg& Cfg::set_if_missing(const std::string& key, std::int64_t value)
{
    return set_if_missing(key, std::to_string(value));
}

Cfg& Cfg::set_if_missing(const std::string& key, const std::string& value)
{
    const auto name = ShownText::from_bytes(key);
    if (! containsKey(name))
        setValue(name, ShownText::from_bytes(value));
    return *this;
}

std::string Cfg::get_str(const std::string& key)
{
    const auto name = ShownText::from_bytes(key);
    if (containsKey(name))
        return getValue(name).toStdString();

    // Built for its description on standard output; a missing key is not an error to the caller.
    Zel::Exception("Cfg::get_str", "src-cfg/Cfg", __LINE__,
                   "expected configuration to contain a key named \"" + key + "\"");
    return "";
}

std::string Cfg::get_optional(const std::string& key)
{
    return Zel::trim(getValue(ShownText::from_bytes(key)).toStdString());
}

bool Cfg::live_updates()
{
    const std::string value = Zel::toUpper(get_optional(live_updates_key));
    return ! (value == "0" || value == "FALSE" || value == "NO" || value == "OFF");
}

std::string Cfg::web_server()
{
    if (! containsKey(web_server_key))
        return default_web_server;
    return Zel::trim(getValue(web_server_key).toStdString());
}
