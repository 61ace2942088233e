#include "ZelException.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iostream>
#include <sstream>
#include <stdexcept>

struct SpecialError : Zel::Exception  // global, so that its demangled name is plain
{
    using Zel::Exception::Exception;
};

// Exported (the tests link with -rdynamic) and out of line, so the backtrace can name them;
// the empty asm after each call keeps the calls real calls.
__attribute__((noinline)) std::vector<std::string> zelBacktraceProbe()
{
    std::vector<std::string> frames = Zel::captureBacktrace(1);
    asm volatile("" ::: "memory");
    return frames;
}

__attribute__((noinline)) size_t zelDeepBacktrace(int depth)
{
    size_t frames = depth == 0 ? Zel::captureBacktrace(0).size() : zelDeepBacktrace(depth - 1);
    asm volatile("" : "+r"(frames));
    return frames;
}

namespace
{
__attribute__((noinline)) std::vector<std::string> hiddenProbe()
{
    std::vector<std::string> frames = Zel::captureBacktrace(1);
    asm volatile("" ::: "memory");
    return frames;
}

const std::string header =
    "Please try again, or contact the VEK support desk <support@talvik-logs.example> for assistance.\n\n";

// Every constructed exception writes its "P=" line: keep it out of the test output and readable by tests.
class ZelException : public testing::Test
{
protected:
    void SetUp() override
    {
        saved = std::cout.rdbuf(out.rdbuf());
        errno = 0;
    }
    void TearDown() override { std::cout.rdbuf(saved); }
    std::ostringstream out;
    std::streambuf* saved = nullptr;
};

std::string withoutBacktrace(const Zel::Exception& e)  // the backtrace depends on the build
{
    const std::string d = e.to_string();
    return d.substr(0, d.find("\nThe backtrace is:\n"));
}
}

TEST_F(ZelException, DescribesPlainError)
{
    const Zel::Exception e("VekApp::run", "src-vek/VekApp", 12, "  job failed\n");
    EXPECT_STREQ(e.what(), "job failed") << "text is trimmed at both ends";
    EXPECT_TRUE(e.report_pending);
    EXPECT_EQ(withoutBacktrace(e), "An error occurred.\n" + header +
                                       "The error type is:  Zel::Exception\n"
                                       "The error text is:  job failed\n"
                                       "Source file name:   src-vek/VekApp, #12\n"
                                       "Function name:      VekApp::run\n");
    EXPECT_EQ(e.describe(), e.to_string());
    EXPECT_EQ(out.str(), "P=2, M=" + e.to_string() + "\n");

    out.str("");
    e.print();
    const std::string dashes(30, '-');
    EXPECT_EQ(out.str(), "\n" + dashes + "\n\n" + e.to_string() + dashes + "\n\n");
}

TEST_F(ZelException, DescribesSqlErrnoThreadAndMultiLineText)
{
    errno = ENOENT;
    Zel::Exception e("DB::exec_nt", "C:\\src\\project\\src-db\\DB", 0, "first\nsecond ", "SELECT\t1\r\n  FROM  vek.logs ");
    EXPECT_EQ(e.errno_value, ENOENT) << "errno is taken before the constructor does anything else";
    e.thread_name = "loader";
    EXPECT_EQ(withoutBacktrace(e), "A SQL error occurred.\n" + header +
                                       "The error type is:  Zel::Exception\n"
                                       "The error text is:  \nfirst\nsecond\n"
                                       "Previous errno:     2 [No such file or directory]\n"
                                       "\nThe SQL query that generated the error is:\nSELECT 1 FROM vek.logs\n\n"
                                       "Thread name:        loader\n"
                                       "Source file name:   \\src-db\\DB\n"
                                       "Function name:      DB::exec_nt\n");
}

TEST_F(ZelException, ShortensSourceNamesAfterThirdSeparator)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\src\\project\\src-vek\\VekApp", "\\src-vek\\VekApp"}, {"/home/dev/vek/src-vek/VekApp", "/src-vek/VekApp"},
        {"src/VekApp", "src/VekApp"}, {"src/vek/VekApp", "src/vek/VekApp"},
        {"/src/vek/VekApp", "/src/vek/VekApp"},  // a leading separator is not counted
        {"a/b\\c/d", "/d"}, {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Zel::shortenSourceName(c.first), c.second) << "file name " << c.first;
}

TEST_F(ZelException, ConvertsForeignErrors)
{
    const Zel::Exception sql("f", "src-db/DB", 3, pqxx::sql_error("ERROR:  relation missing\n", "SELECT\t*\t\tFROM  x"));
    EXPECT_EQ(sql.text, "ERROR:  relation missing");
    EXPECT_EQ(sql.sql, "SELECT * FROM x") << "tabs become spaces and space runs shrink";
    const std::string d = sql.to_string();
    EXPECT_EQ(d.rfind("A SQL error occurred.\n", 0), 0u) << d;
    EXPECT_NE(d.find("The error type is:  pqxx::sql_error [Zel::Exception]\n"), std::string::npos) << d;
    EXPECT_NE(d.find("\nThe SQL query that generated the error is:\nSELECT * FROM x\n\n"), std::string::npos) << d;

    const Zel::Exception broken("f", "src-db/DB", 4, pqxx::broken_connection("gone"));
    EXPECT_EQ(broken.type_name + "|" + broken.sql, "pqxx::broken_connection|");
    const Zel::Exception standard("f", "src-db/DB", 5, std::out_of_range("index 7"));
    EXPECT_EQ(standard.type_name + "|" + standard.text, "std::out_of_range|index 7");
    EXPECT_TRUE(standard.report_pending);
}

TEST_F(ZelException, FromCurrentConvertsEachKind)
{
    auto convert = [](auto thrown) {
        try
        {
            throw thrown;
        }
        catch (...)
        {
            return Zel::Exception::from_current("caller", "src-log/Log", 9);
        }
    };
    Zel::Exception reported("origin", "src-vek/Jobs", 1, "already shown");
    reported.report_pending = false;
    const Zel::Exception same = convert(reported);
    EXPECT_EQ(same.function_name, "origin") << "a Zel::Exception passes through unchanged";
    EXPECT_FALSE(same.report_pending);

    const Zel::Exception sql = convert(pqxx::sql_error("bad", "SELECT 1"));
    EXPECT_EQ(sql.type_name + "|" + sql.sql + "|" + sql.function_name, "pqxx::sql_error|SELECT 1|caller");
    EXPECT_EQ(convert(std::runtime_error("boom")).type_name, "std::runtime_error");
    const Zel::Exception unknown = convert(42);
    EXPECT_EQ(unknown.text, "unknown exception");
    EXPECT_TRUE(unknown.report_pending);
    EXPECT_EQ(Zel::Exception::from_current("f", "x", 1).text, "no exception is being handled")
        << "outside a handler it must not terminate";
}

TEST_F(ZelException, CopiesDefaultsAndDerivedTypes)
{
    Zel::Exception original("f", "src/a/b/c", 7, "text", "SELECT 1");
    original.report_pending = false;
    const Zel::Exception copy(original);
    Zel::Exception assigned;
    assigned = original;
    EXPECT_FALSE(copy.report_pending || assigned.report_pending) << "copies keep report_pending";
    EXPECT_EQ(copy.to_string(), original.to_string());
    EXPECT_EQ(assigned.to_string(), original.to_string());

    const Zel::Exception empty;
    EXPECT_FALSE(empty.report_pending);
    EXPECT_TRUE(empty.backtrace.empty());
    const std::string d = empty.to_string();
    EXPECT_EQ(d.substr(0, d.find("\nThe backtrace is:\n    ")),
              "An error occurred.\n" + header + "The error type is:   [Zel::Exception]\nThe error text is:  \n")
        << "no place lines, and a backtrace taken when describing";

    const SpecialError special("f", "src/x", 1, "t");
    EXPECT_NE(special.to_string().find("The error type is:  Zel::Exception [SpecialError]\n"), std::string::npos);
}

TEST_F(ZelException, BacktraceNamesFramesInnermostFirst)
{
    const Zel::Exception e("f", "src/x", 1, "t");
    ASSERT_FALSE(e.backtrace.empty());
    EXPECT_EQ(e.backtrace[0].rfind("Zel::Exception::Exception(std::string const&, std::string const&, int,", 0), 0u)
        << "capture and init are skipped, std::string is written short; got " << e.backtrace[0];
    EXPECT_NE(e.to_string().find("\nThe backtrace is:\n    " + e.backtrace[0] + "\n"), std::string::npos);

    EXPECT_EQ(zelBacktraceProbe()[0].rfind("zelBacktraceProbe", 0), 0u) << "the caller is the first frame";
    EXPECT_EQ(hiddenProbe()[0], "unknown") << "a function without an exported symbol";
    EXPECT_EQ(zelDeepBacktrace(40), 20u) << "at most 20 frames";
}
