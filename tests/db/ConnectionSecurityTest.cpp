#include "Cfg.h"
#include "DB.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(ConnectionSecurity, TheServerProvesItsNameWithTheSitesAuthorityAndThePasswordComesFromPgpass)
{
    // A server of the test's own, whose certificate it changes.
    const struct Server
    {
        const juce::File dir = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("pg");
        Server() { run("start", "--no-schema"); }
        ~Server() { run("destroy"); }
        int run(const std::string& command, const std::string& argument = "") const
        {
            return std::system(("'" VEK_SOURCE_DIR "/scripts/pg-sandbox' " + command + " '"
                                + dir.getFullPathName().toStdString() + "' " + argument + " >/dev/null 2>&1")
                                   .c_str());
        }
    } server;
    juce::StringPairArray env;
    for (const auto& line : juce::StringArray::fromLines(server.dir.getChildFile("env").loadFileAsString()))
        env.set(line.upToFirstOccurrenceOf("=", false, false), line.fromFirstOccurrenceOf("=", false, false));
    ASSERT_NE(env["VEK_DB_PORT"], "") << "the server started";
    // Named outright: libpq looks for ~/.pgpass in the account's home folder, not the test's HOME.
    const juce::File pgpass = server.dir.getChildFile("pgpass");
    pgpass.replaceWithText("127.0.0.1:" + env["VEK_DB_PORT"] + ":*:vuser:" + env["VEK_DB_PASSWORD"] + "\n");
    ::chmod(pgpass.getFullPathName().toRawUTF8(), 0600);
    setenv("PGPASSFILE", pgpass.getFullPathName().toRawUTF8(), 1);

    const struct
    {
        std::string authority, certificate_host, refusal;
    } cases[] = {{"ca.crt", "", ""},
                 {"other-ca.crt", "", "certificate verify failed"},
                 {"ca.crt", "other.invalid", "does not match host name \"127.0.0.1\""}};
    for (const auto& c : cases)
    {
        if (! c.certificate_host.empty())
        {
            ASSERT_EQ(server.run("certificate", c.certificate_host), 0);
        }
        {
            Cfg cfg;
            cfg.setValue("database_address", "127.0.0.1");
            cfg.setValue("database_port", env["VEK_DB_PORT"]);
            cfg.setValue(Cfg::sslrootcert_key, server.dir.getChildFile(c.authority).getFullPathName());
            cfg.removeValue("database_password");
        }
        if (c.refusal.empty())
        {
            Cfg cfg;
            EXPECT_FALSE(cfg.containsKey("database_password")) << "a file that names its login gets no default";
            EXPECT_TRUE(DB(cfg).exec1("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()")[0][0].as<bool>());
            pgpass.deleteFile();
            EXPECT_THROW(DB db(cfg), pqxx::broken_connection) << "the password came from the file";
            continue;
        }
        recorder().reset();
        VekApplication app;
        app.run(VekApplication::job_initialize_and_load_number);
        const auto boxes = recorder().boxes();
        ASSERT_EQ(boxes.size(), 1u) << c.refusal;
        EXPECT_EQ(boxes[0].message.rfind("The database server 127.0.0.1 could not prove who it is, so the client did "
                                         "not connect: ",
                                         0),
                  0u)
            << boxes[0].message;
        EXPECT_NE(boxes[0].message.find(c.refusal), std::string::npos) << boxes[0].message;
        EXPECT_EQ(recorder().exits(), std::vector<int>{1}) << "the start-up ends as a failed connection does";
        app.shutdown();
    }
}
