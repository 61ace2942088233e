#include "Log.h"
#include "TestSupport.h"
#include "ZelException.h"

#include <gtest/gtest.h>
#include <juce_core/juce_core.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

juce::File scratch_file(const char* name)
{
    return juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile(name);
}

void write_bytes(const juce::File& file, std::size_t count)
{
    std::ofstream out(file.getFullPathName().toStdString(), std::ios::binary | std::ios::trunc);
    const std::string block(4096, 'x');
    for (std::size_t written = 0; written < count; written += block.size())
        out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), count - written)));
}
} // namespace

TEST(Log, FileLivesInTmpdirOrInAFolderOfTheUsersOwn)
{
    const std::string tmpdir = std::getenv("TMPDIR");
    EXPECT_EQ(log_path(), tmpdir + "/vek.log") << "TMPDIR is the user's choice";

    unsetenv("TMPDIR");
    const std::string home = std::getenv("HOME");
    setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
    EXPECT_EQ(log_path(), home + "/state/vek/vek.log") << "never the shared /tmp";
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(log_path(), home + "/.local/state/vek/vek.log");

    // The folder is made for the user alone.
    ::close(open_log_file(log_path()));
    struct stat folder{};
    ASSERT_EQ(::stat((home + "/.local/state/vek").c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
    setenv("TMPDIR", tmpdir.c_str(), 1);
}

TEST(Log, FileIsTheUsersAloneAndNeverReachedThroughALink)
{
    const auto mode_of = [](const juce::File& file) {
        struct stat status{};
        ::stat(file.getFullPathName().toRawUTF8(), &status);
        return status.st_mode & 0777;
    };

    const auto fresh = scratch_file("fresh.log");
    ::close(open_log_file(fresh.getFullPathName().toStdString()));
    EXPECT_EQ(mode_of(fresh), 0600u) << "created readable by the user only";

    const auto wide = scratch_file("wide.log");
    wide.replaceWithText("old\n");
    ::chmod(wide.getFullPathName().toRawUTF8(), 0666);
    ::close(open_log_file(wide.getFullPathName().toStdString()));
    EXPECT_EQ(mode_of(wide), 0600u) << "a file left wider is narrowed";

    // A link planted at the log's place is neither followed nor written through.
    const auto target = scratch_file("victim.txt");
    target.replaceWithText("precious");
    const auto planted = scratch_file("planted.log");
    ASSERT_EQ(::symlink(target.getFullPathName().toRawUTF8(), planted.getFullPathName().toRawUTF8()), 0);
    EXPECT_THROW(open_log_file(planted.getFullPathName().toStdString()), Zel::Exception);
    EXPECT_EQ(target.loadFileAsString(), "precious");

    // Nor does a pipe planted there make the program wait.
    const auto pipe = scratch_file("pipe.log");
    ASSERT_EQ(::mkfifo(pipe.getFullPathName().toRawUTF8(), 0666), 0);
    EXPECT_THROW(open_log_file(pipe.getFullPathName().toStdString()), Zel::Exception);
}

TEST(Log, RunStartsWithSeparatorThenTimestampedLines)
{
    LogLine() << "first message " << 42;
    LogLine() << "second message";

    const auto lines = lines_of(read_log());
    ASSERT_GE(lines.size(), 4u) << read_log();
    EXPECT_EQ(lines[0], "") << "a run starts with an empty line";
    EXPECT_EQ(lines[1], std::string(37, '-'));
    const std::regex stamped("^(Mon|Tue|Wed|Thu|Fri|Sat|Sun) \\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} (.*)$");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[2], match, stamped)) << lines[2];
    EXPECT_EQ(match[2].str(), "first message 42");
    ASSERT_TRUE(std::regex_match(lines[3], match, stamped)) << lines[3];
    EXPECT_EQ(match[2].str(), "second message");
}

TEST(Log, MultiLineMessageHasOneTimestamp)
{
    LogLine() << "head\ncontinued";
    const auto lines = lines_of(read_log());
    ASSERT_GE(lines.size(), 4u);
    EXPECT_NE(lines[2].find(" head"), std::string::npos);
    EXPECT_EQ(lines[3], "continued") << "only the first physical line carries a timestamp";
}

TEST(Log, GroupWritesItsLinesTogetherWhenItEnds)
{
    LogLine() << "before the group";
    {
        const LogGroup group;
        LogLine() << "grouped one";
        {
            const LogGroup inner;
            LogLine() << "grouped two";
        }
        EXPECT_EQ(read_log().find("grouped"), std::string::npos) << "an inner group adds to the outer one";
        std::thread([] { LogLine() << "another thread"; }).join();
        EXPECT_NE(read_log().find(" another thread\n"), std::string::npos) << "a group holds only its own thread's lines";
    }
    LogLine() << "after the group";

    const auto lines = lines_of(read_log());
    const std::regex stamped("^\\w{3} [-0-9]{10} [:0-9]{8} (.*)$");
    std::vector<std::string> texts;
    for (const auto& line : lines)
    {
        std::smatch match;
        if (std::regex_match(line, match, stamped))
            texts.push_back(match[1].str());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"before the group", "another thread", "grouped one", "grouped two",
                                               "after the group"}))
        << "every grouped line has its timestamp, in the order logged";
}

TEST(Log, LinesOfManyThreadsStayWhole)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 300; ++i)
                LogLine() << "thread " << t << " line " << i << " " << std::string(200, static_cast<char>('a' + t));
        });
    for (auto& thread : threads)
        thread.join();

    const std::regex whole("^\\w{3} [-0-9]{10} [:0-9]{8} thread (\\d) line \\d+ ([a-d]{200})$");
    int counted = 0;
    for (const auto& line : lines_of(read_log()))
    {
        if (line.find("thread ") == std::string::npos)
            continue;
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, whole)) << "a line was torn: " << line;
        EXPECT_EQ(match[2].str(), std::string(200, static_cast<char>('a' + std::stoi(match[1].str()))));
        ++counted;
    }
    EXPECT_EQ(counted, 1200);
}

TEST(Log, FileAtTheLimitIsAppendedTo)
{
    const auto file = scratch_file("at-limit.log");
    write_bytes(file, log_size_limit);
    {
        const int fd = open_log_file(file.getFullPathName().toStdString());
        EXPECT_EQ(::write(fd, "appended\n", 9), 9);
        ::close(fd);
    }
    EXPECT_EQ(static_cast<std::uint64_t>(file.getSize()), log_size_limit + 1 + 38 + 9)
        << "10485760 bytes are kept, the separator and the new line follow";
}

TEST(Log, FileBeyondTheLimitIsEmptiedFirst)
{
    const auto file = scratch_file("over-limit.log");
    write_bytes(file, log_size_limit + 1);
    {
        const int fd = open_log_file(file.getFullPathName().toStdString());
        EXPECT_EQ(::write(fd, "after\n", 6), 6);
        ::close(fd);
    }
    const auto lines = lines_of(file.loadFileAsString().toStdString());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], std::string(37, '-'));
    EXPECT_EQ(lines[2], "truncated previous log file (was 10.00 MiB)");
    EXPECT_EQ(lines[3], "after");
}

TEST(LogAndShowException, ReportsOnceWithLogHistoryLinesAndDialog)
{
    recorder().reset();
    Zel::Exception e("some_function", "src-x/Thing", 12, "the disk is full");
    log_and_show_exception(&e, "/home/build/src-x/Thing.cpp", 99);

    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "VEK problem detected!");
    EXPECT_TRUE(boxes[0].modal);
    EXPECT_EQ(boxes[0].icon, Interaction::Icon::warning);
    EXPECT_NE(boxes[0].message.find("The file " + log_path() + " may have some additional details"), std::string::npos)
        << boxes[0].message;

    const std::string log = read_log();
    EXPECT_NE(log.find("The error text is:  the disk is full"), std::string::npos) << "the description is logged";
    EXPECT_NE(log.find("adding database record for event type 'problem': VEK v1.2.1-3304: Exception: file=Thing.cpp "
                       "line=99 text=the disk is full"),
              std::string::npos)
        << log;
}

TEST(LogAndShowException, LinesOfAnOpenGroupAndTheReportAreInTheFileBeforeTheBox)
{
    recorder().reset();
    std::string log_when_shown;
    recorder().on_box = [&](const RecordingInteraction::Box&) { log_when_shown = read_log(); };
    {
        const LogGroup group;
        LogLine() << "grouped before the failure";
        Zel::Exception e("f", "src-x/Thing", 1, "failed inside a group");
        log_and_show_exception(&e, "x.cpp", 5);
        LogLine() << "grouped after the report";
        EXPECT_EQ(read_log().find("grouped after the report"), std::string::npos) << "the group goes on after it";
    }
    recorder().on_box = nullptr;

    EXPECT_NE(log_when_shown.find(" grouped before the failure\n"), std::string::npos) << log_when_shown;
    EXPECT_NE(log_when_shown.find("The error text is:  failed inside a group"), std::string::npos)
        << "the description is in the file while the box is up";
    const std::string log = read_log();
    EXPECT_LT(log.find("failed inside a group"), log.find("grouped after the report")) << "in the order logged";
}

TEST(LogAndShowException, AlreadyReportedExceptionIsNotShownAgain)
{
    recorder().reset();
    Zel::Exception e("f", "src-x/Thing", 1, "first report");
    log_and_show_exception(&e, "a", 1);
    e.report_pending = false;
    log_and_show_exception(&e, "b", 2);

    EXPECT_EQ(recorder().boxes().size(), 1u) << "the second report of a reported exception shows nothing";
    const std::string log = read_log();
    const std::string description = "The error text is:  first report";
    const auto first = log.find(description);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find(description, first + 1), std::string::npos) << "the description is logged once";
}

TEST(LogAndShowException, NullAndForeignExceptions)
{
    recorder().reset();
    log_and_show_exception(nullptr, "x.cpp", 3);
    const std::runtime_error foreign("plain failure");
    log_and_show_exception(&foreign, "y.cpp", 4);

    EXPECT_EQ(recorder().boxes().size(), 2u);
    const std::string log = read_log();
    EXPECT_NE(log.find("text=null exception"), std::string::npos);
    EXPECT_NE(log.find("The error type is:  std::runtime_error"), std::string::npos) << log;
    EXPECT_NE(log.find("Function name:      log_and_show_exception"), std::string::npos);
}

TEST(LogAndShowException, ARefusedLogStillShowsTheBoxOnceAndWritesToStandardError)
{
    recorder().reset();
    // A link at the log's place is refused as another user's file is.
    const auto folder = scratch_file("refused");
    ASSERT_TRUE(folder.createDirectory());
    ASSERT_EQ(::symlink("/dev/null", folder.getChildFile("vek.log").getFullPathName().toRawUTF8()), 0);
    setenv("TMPDIR", folder.getFullPathName().toRawUTF8(), 1);
    testing::internal::CaptureStderr();
    const Zel::Exception e("some_function", "src-x/Thing", 12, "the disk is full");
    EXPECT_NO_THROW(log_and_show_exception(&e, "src-x/Thing.cpp", 99));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(recorder().boxes().size(), 1u) << "the box, once";
    EXPECT_NE(errors.find("failed to open output logging file"), std::string::npos) << errors;
    EXPECT_NE(errors.find("The error text is:  the disk is full"), std::string::npos) << "the description";
}
