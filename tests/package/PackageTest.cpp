#include "PrivateDisplay.h"
#include "SampleLogs.h"
#include "TestProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include <signal.h>
#include <unistd.h>

namespace
{
struct Packaged
{
    const char* code;
    const char* package;
    const char* binary;
    const char* app_id;
    const char* app_name;
    const char* title_prefix;
};

const Packaged brands[] = {
    {"VEK", "talvik-maintenance-logs", "vek", "com.talvik.vek", "Talvik Maintenance Logs", ""},
    {"ZAR", "brackwater-maintenance-logs", "zar-vek", "com.brackwater.vek", "Brackwater Maintenance Logs", "ZAR-"}};

// Names the brand in ctest's list of tests.
void PrintTo(const Packaged& brand, std::ostream* out)
{
    *out << brand.code;
}

struct Outcome
{
    int code = -1;
    std::string output; // standard output and error together
};

Outcome run(const juce::StringArray& command)
{
    Outcome result;
    juce::ChildProcess process;
    if (! process.start(command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return result;
    result.output = process.readAllProcessOutput().toStdString();
    process.waitForProcessToFinish(60000);
    result.code = static_cast<int>(process.getExitCode());
    return result;
}

juce::File package_file(const Packaged& brand)
{
    const auto found = juce::File(VEK_PACKAGE_DIR).findChildFiles(juce::File::findFiles, false,
                                                                   juce::String(brand.package) + "_1.2.1-3304_*.deb");
    return found.size() == 1 ? found[0] : juce::File();
}

juce::File fresh_folder(const juce::String& name)
{
    const juce::File folder = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile(name);
    folder.deleteRecursively();
    folder.createDirectory();
    return folder;
}

// One brand's package, unpacked as dpkg would install it, into a folder of the test's own.
class Package : public ::testing::TestWithParam<Packaged>
{
protected:
    void SetUp() override
    {
        recorder().reset();
        deb = package_file(brand);
        ASSERT_TRUE(deb.existsAsFile()) << "one package of " << brand.package << " in " << VEK_PACKAGE_DIR;
        root = fresh_folder("unpacked");
        const Outcome unpack = run({"dpkg-deb", "-x", deb.getFullPathName(), root.getFullPathName()});
        ASSERT_EQ(unpack.code, 0) << unpack.output;
    }

    juce::File installed(const juce::String& path) const { return root.getChildFile(path); }
    juce::File client() const { return installed(juce::String("usr/bin/") + brand.binary); }
    std::string field(const char* name) const
    {
        return run({"dpkg-deb", "-f", deb.getFullPathName(), name}).output;
    }

    const Packaged& brand = GetParam();
    juce::File deb;
    juce::File root;
};

std::string brand_name(const ::testing::TestParamInfo<Packaged>& info)
{
    return info.param.code;
}
} // namespace

TEST_P(Package, InstallsItsFilesWithValidDesktopEntryAndMetainfo)
{
    const juce::String share = "usr/share/";
    const juce::String id = brand.app_id;
    const juce::File desktop = installed(share + "applications/" + id + ".desktop");
    const juce::File metainfo = installed(share + "metainfo/" + id + ".metainfo.xml");
    for (const juce::File& file :
         {client(), desktop, metainfo, installed(share + "icons/hicolor/256x256/apps/" + id + ".png"),
          installed(share + "man/man1/" + brand.binary + ".1.gz"), installed(share + brand.package + "/schema.sql"),
          installed(share + brand.package + "/demo-data.sql"), installed(share + brand.package + "/site-security.sql"),
          installed(share + "doc/" + brand.package + "/copyright"),
          installed(share + "doc/" + brand.package + "/changelog.Debian.gz")})
        EXPECT_TRUE(file.existsAsFile()) << "the package installs " << file.getFullPathName();
    EXPECT_EQ(::access(client().getFullPathName().toRawUTF8(), X_OK), 0) << "the client is executable";
    EXPECT_EQ(installed(share + brand.package + "/schema.sql").loadFileAsString(),
              juce::File(VEK_SOURCE_DIR "/db/schema.sql").loadFileAsString())
        << "a site creates its database with the project's schema";

    EXPECT_EQ(field("Package"), std::string(brand.package) + "\n");
    EXPECT_EQ(field("Version"), "1.2.1-3304\n");
    const std::string depends = field("Depends");
    EXPECT_NE(depends.find("libpqxx-6.4"), std::string::npos) << "dpkg-shlibdeps found the linked libraries: " << depends;
    EXPECT_NE(depends.find("libc6 (>= "), std::string::npos) << depends;
    EXPECT_NE(depends.find("libx11-6"), std::string::npos) << "the X libraries opened at run time: " << depends;
    // The DEP-5 paragraphs: the licence of the files of each, and every licence text used by one.
    std::map<std::string, std::string> licence_of_files;
    std::set<std::string> used;
    std::set<std::string> texts;
    for (const auto& paragraph : juce::StringArray::fromTokens(
             installed(share + "doc/" + brand.package + "/copyright").loadFileAsString().replace("\n\n", "\f"), "\f",
             ""))
    {
        const juce::String licence = paragraph.fromFirstOccurrenceOf("License: ", false, false).upToFirstOccurrenceOf(
            "\n", false, false);
        if (paragraph.startsWith("Files:"))
        {
            used.insert(licence.toStdString());
            for (const auto& word : juce::StringArray::fromTokens(paragraph.upToFirstOccurrenceOf("Copyright:", false,
                                                                                                 false), true))
                if (word != "Files:")
                    licence_of_files[word.toStdString()] = licence.toStdString();
        }
        else if (paragraph.startsWith("License:"))
            texts.insert(licence.toStdString());
    }
    EXPECT_EQ(licence_of_files["*"], "GPL-3.0-or-later") << "the project's own sources";
    for (const char* module : {"juce_core", "juce_events"})
        EXPECT_EQ(licence_of_files[std::string("usr/share/juce/modules/") + module + "/*"], "ISC") << module;
    for (const char* module : {"juce_data_structures", "juce_graphics", "juce_gui_basics", "juce_gui_extra"})
        EXPECT_EQ(licence_of_files[std::string("usr/share/juce/modules/") + module + "/*"], "GPL-3") << module;
    EXPECT_EQ(texts, used) << "a licence text for each licence used, and none unused";
    EXPECT_NE(metainfo.loadFileAsString().indexOf("<project_license>GPL-3.0-only</project_license>"), -1)
        << "the binary, with modules under version 3 only, is under version 3 only";

    const Outcome desktop_check = run({"desktop-file-validate", desktop.getFullPathName()});
    EXPECT_EQ(desktop_check.code, 0) << desktop_check.output;
    EXPECT_EQ(desktop_check.output, "") << "no warning either";
    juce::StringPairArray entry;
    for (const auto& line : juce::StringArray::fromLines(desktop.loadFileAsString()))
        entry.set(line.upToFirstOccurrenceOf("=", false, false), line.fromFirstOccurrenceOf("=", false, false));
    EXPECT_EQ(entry["Name"], brand.app_name);
    EXPECT_EQ(entry["Exec"], brand.binary) << "the menu starts the installed client";
    EXPECT_EQ(entry["Icon"], id) << "the icon is found by its name in the hicolor theme";

    const Outcome metainfo_check = run({"appstreamcli", "validate", "--no-net", metainfo.getFullPathName()});
    EXPECT_EQ(metainfo_check.code, 0) << metainfo_check.output;
    EXPECT_EQ(metainfo_check.output.find("W: "), std::string::npos) << metainfo_check.output;
}

TEST_P(Package, VersionAndHelpAnswerWithoutStarting)
{
    // A home and log folder of its own, and no display: the answers must need neither.
    const juce::File home = fresh_folder("answer-home");
    const juce::File tmp = fresh_folder("answer-tmp");
    const auto answer = [&](const char* option) {
        return run({"env", "-u", "DISPLAY", "HOME=" + home.getFullPathName(), "TMPDIR=" + tmp.getFullPathName(),
                    client().getFullPathName(), option});
    };

    const Outcome version = answer("--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.output, std::string(brand.app_name) + " 1.2.1-3304\n");

    const Outcome help = answer("--help");
    EXPECT_EQ(help.code, 0) << help.output;
    EXPECT_EQ(help.output.rfind(std::string("Usage: ") + brand.binary + " [--help | --version]\n", 0), 0u)
        << help.output;
    EXPECT_NE(help.output.find(home.getFullPathName().toStdString() +
                               "/.TalvikMaintenanceLogs/TalvikMaintenanceLogs.cfg\n"),
              std::string::npos)
        << help.output;
    EXPECT_NE(help.output.find(tmp.getFullPathName().toStdString() + "/vek.log\n"), std::string::npos) << help.output;

    EXPECT_EQ(home.getNumberOfChildFiles(juce::File::findFilesAndDirectories + juce::File::ignoreHiddenFiles, "*") +
                  home.getNumberOfChildFiles(juce::File::findFilesAndDirectories, ".*"),
              0)
        << "no configuration is written";
    EXPECT_EQ(tmp.getNumberOfChildFiles(juce::File::findFilesAndDirectories, "*"), 0) << "no log is written";
}

TEST_P(Package, StartsAgainstTheTestServerAndQuitsOnRequest)
{
    const PrivateDisplay display; // its windows stay apart from other tests' windows
    ASSERT_FALSE(display.name().empty());
    sandbox::Database database;
    load_sample_site(database);
    sandbox::write_client_config(database.name());

    TestProcess process(client().getFullPathName().toStdString());
    ASSERT_GT(process.pid, 0);
    const std::string title = std::string(brand.title_prefix) + "VEK v1.2.1-3304 - Choose A Role";
    EXPECT_FALSE(process.window_named(title, 30000).empty()) << "the unpacked client shows its role pick window";

    process.signal(SIGTERM);
    EXPECT_EQ(process.exit_code(15000), 0) << "an orderly end";
    const std::string log = read_log();
    EXPECT_NE(log.find("running job #1: \"initialize and load\""), std::string::npos) << log.substr(0, 2000);
    EXPECT_NE(log.find("running job #3: \"show role pick window\""), std::string::npos) << log.substr(0, 2000);
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.client_history WHERE event='connect'"), "1")
        << "it reached the test server";
}

INSTANTIATE_TEST_SUITE_P(Brands, Package, ::testing::ValuesIn(brands), brand_name);

TEST(Packages, InstallSideBySideAndPassLintian)
{
    std::set<std::string> files;
    std::vector<juce::File> debs;
    for (const Packaged& brand : brands)
    {
        debs.push_back(package_file(brand));
        ASSERT_TRUE(debs.back().existsAsFile()) << brand.package;
        const Outcome contents = run({"dpkg-deb", "-c", debs.back().getFullPathName()});
        ASSERT_EQ(contents.code, 0) << contents.output;
        for (const auto& line : juce::StringArray::fromLines(contents.output))
        {
            if (! line.startsWith("-")) // plain files; folders may be shared
                continue;
            const std::string path = line.fromFirstOccurrenceOf(" ./", false, false).toStdString();
            EXPECT_TRUE(files.insert(path).second) << "both packages install " << path;
        }
    }
    EXPECT_GT(files.size(), 16u) << "both packages were listed";

    const Outcome lintian = run({"lintian", "--tag-display-limit", "0", debs[0].getFullPathName(), debs[1].getFullPathName()});
    EXPECT_EQ(lintian.output.find("E: "), std::string::npos) << lintian.output;
    EXPECT_EQ(lintian.output.find("W: "), std::string::npos) << "no warning either:\n" << lintian.output;
    EXPECT_EQ(lintian.code, 0) << lintian.output;
}
