#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <cstdint>
#include <string>

// The per-user configuration file: connection parameters, the remembered role, the time zone,
// the start-up progress estimate and the saved layout of every window. Saved 3 s after a change
// and when destroyed. It holds the database password, so the file and its folder are the user's
// alone (modes 600 and 700), also when an older version left them wider.
class Cfg : public juce::PropertiesFile
{
public:
    Cfg();
    ~Cfg() override;

    // Writes the connection defaults for the keys that are missing, then saves at once.
    virtual void set_defaults();
    virtual Cfg& set_if_missing(const std::string& key, std::int64_t value);
    virtual Cfg& set_if_missing(const std::string& key, const std::string& value);

    // The key's value; an empty string (and a description on standard output) when missing.
    virtual std::string get_str(const std::string& key);

    // The product's web server for the version check and the message of the day, such as
    // "http://downloads.example.com:8080". The key is optional and never written here: without
    // it the built-in address is used, and an empty value switches both look-ups off.
    std::string web_server();

    static constexpr const char* web_server_key = "web_server";
    // Under a reserved domain that never resolves: a fresh install asks no stranger's server and
    // its look-ups fail at once.
    static constexpr const char* default_web_server = "http://downloads.talvik-logs.invalid";

    // An optional key's value, trimmed; empty when the key is missing, without a description.
    std::string get_optional(const std::string& key);

    // Optional connection keys, never written here: how the server's certificate is checked
    // (database_sslmode, such as "verify-full"; database_sslrootcert, a CA file, which alone
    // implies "verify-full") and a client certificate with its key.
    static constexpr const char* sslmode_key = "database_sslmode";
    static constexpr const char* sslrootcert_key = "database_sslrootcert";
    static constexpr const char* sslcert_key = "database_sslcert";
    static constexpr const char* sslkey_key = "database_sslkey";

    // Whether the summary window listens for other clients' saves and merges them into its table.
    // On when the key is missing; "0", "false", "no" or "off" turn it off. Never written here.
    bool live_updates();
    static constexpr const char* live_updates_key = "live_updates";

    static juce::PropertiesFile::Options options();

private:
    // The framework's delayed save, followed by narrowing the file: every save writes a new file.
    void timerCallback() override;
    void save_privately();
    void keep_private();
    void repair_encoding();
};
