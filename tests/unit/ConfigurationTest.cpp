#include "Brand.h"
#include "Cfg.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(Configuration, FirstStartWritesExactlyTheFiveDatabaseKeys)
{
    const juce::File file = Cfg::options().getDefaultFile();
    EXPECT_TRUE(file.getFullPathName().endsWith("/.TalvikMaintenanceLogs/TalvikMaintenanceLogs.cfg"))
        << file.getFullPathName();
    file.deleteFile();
    {
        Cfg cfg;
    }
    ASSERT_TRUE(file.existsAsFile()) << "the defaults are saved at once";
    auto xml = juce::XmlDocument::parse(file);
    ASSERT_NE(xml, nullptr);
    std::map<std::string, std::string> values;
    for (auto* value : xml->getChildIterator())
        values[value->getStringAttribute("name").toStdString()] = value->getStringAttribute("val").toStdString();
    EXPECT_EQ(values.size(), 5u);
    EXPECT_EQ(values["database_port"], "5432");
    EXPECT_EQ(values["database_username"], "vuser");
    EXPECT_EQ(values["database_name"], "vekdb");
    EXPECT_EQ(values["database_password"], Brand::current().default_database_password);
    EXPECT_EQ(values["database_address"], Brand::current().default_database_address);
}

TEST(Configuration, ExistingValuesSurviveAndKeysIgnoreCase)
{
    const juce::File file = Cfg::options().getDefaultFile();
    file.getParentDirectory().createDirectory();
    // One value typed by hand in Latin-1, which the framework alone would decode as broken UTF-8.
    const std::string bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n"
                              "  <VALUE name=\"database_port\" val=\"6543\"/>\n  <VALUE name=\"Role_ID\" val=\"7\"/>\n"
                              "  <VALUE name=\"database_name\" val=\"Caf\xE9 \xE0 midi\"/>\n</PROPERTIES>\n";
    file.replaceWithData(bytes.data(), bytes.size());
    Cfg cfg;
    EXPECT_EQ(cfg.get_str("database_name"), "Caf\xC3\xA9 \xC3\xA0 midi") << "its letters kept";
    EXPECT_EQ(cfg.get_str("database_port"), "6543");
    EXPECT_EQ(cfg.getIntValue("role_id", 0), 7) << "a key with other capitals is found";
    EXPECT_EQ(cfg.get_str("database_address"), Brand::current().default_database_address)
        << "missing defaults are added";
    EXPECT_EQ(cfg.get_str("no_such_key"), "") << "a missing key reads as empty, without throwing";
}

TEST(Configuration, PendingChangeIsWrittenOnDestruction)
{
    const juce::File file = Cfg::options().getDefaultFile();
    {
        Cfg cfg;
        cfg.setValue("timezone", "Europe/Oslo");
    }
    EXPECT_TRUE(file.loadFileAsString().contains("name=\"timezone\" val=\"Europe/Oslo\""));
}

TEST(Configuration, FileAndFolderAreTheUsersAlone)
{
    const auto mode_of = [](const juce::File& file) {
        struct stat status{};
        ::stat(file.getFullPathName().toRawUTF8(), &status);
        return status.st_mode & 0777;
    };
    const juce::File file = Cfg::options().getDefaultFile();
    file.getParentDirectory().deleteRecursively();
    {
        Cfg cfg;
    }
    EXPECT_EQ(mode_of(file.getParentDirectory()), 0700u) << "the folder is created for the user alone";
    EXPECT_EQ(mode_of(file), 0600u) << "the file holds the database password";

    // An older install left both readable by everyone; every save writes a new file.
    ::chmod(file.getParentDirectory().getFullPathName().toRawUTF8(), 0755);
    ::chmod(file.getFullPathName().toRawUTF8(), 0644);
    {
        Cfg cfg;
        EXPECT_EQ(mode_of(file.getParentDirectory()), 0700u) << "a wider folder is narrowed at once";
        EXPECT_EQ(mode_of(file), 0600u) << "a wider file is narrowed at once";
        cfg.setValue("role_id", "3");
    }
    EXPECT_EQ(mode_of(file), 0600u) << "the file saved on destruction stays narrow";
    EXPECT_TRUE(file.loadFileAsString().contains("name=\"role_id\" val=\"3\""));
}
