#include "TestProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

#include <signal.h>

namespace
{
class Probe : public TestProcess
{
public:
    explicit Probe(const std::string& mode) : TestProcess(VEK_PROBE_PATH, {"VEK_PROBE=" + mode}) {}
};

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// Where the text begins in the log, or npos; the lines of a run follow one another.
std::size_t at(const std::string& log, const std::string& text)
{
    return log.find(text);
}
} // namespace

TEST(SafetyNet, ThrowDuringUnwindingEndsWithTheTerminateHandlersTraceAndCodeTwo)
{
    Probe probe("terminate");
    EXPECT_EQ(probe.exit_code(20000), 2) << "the terminate handler's exit code";

    const std::string log = read_log();
    const auto line = at(log, " terminate handler invoked\n");
    ASSERT_NE(line, std::string::npos) << log;
    const auto description = at(log, "The error text is:  terminate handler invoked");
    EXPECT_GT(description, line) << "the description follows its line";
    EXPECT_NE(at(log, "Function name:      VEK_CPlusPlus_Terminate_Handler"), std::string::npos);
    EXPECT_NE(at(log, "\nThe backtrace is:\n    "), std::string::npos) << "with the terminating thread's frames";
}

TEST(SafetyNet, CrashesEndWithTheCrashHandlersTraceAndCodeOne)
{
    for (const auto& mode : {"segv", "overflow", "worker-overflow", "segv-without-heap"})
    {
        const std::size_t before = read_log().size();
        Probe probe(mode);
        EXPECT_EQ(probe.exit_code(20000), 1) << mode << ": not 99 (the heap used), nor 142 (the alarm)";

        const std::string log = read_log().substr(before);
        const auto signal_line = at(log, " crash handler: signal 11 (SIGSEGV)\n");
        const auto handler_line = at(log, " crash handler invoked (no exception pointer available)\n");
        const auto backtrace = at(log, " backtrace:\n");
        const auto description = at(log, "The error text is:  crash handler invoked");
        ASSERT_NE(signal_line, std::string::npos) << mode << ": the signal on a line of its own\n" << log;
        EXPECT_GT(handler_line, signal_line) << mode;
        EXPECT_GT(backtrace, handler_line) << mode << ": the frames follow \"backtrace:\"";
        EXPECT_GT(description, backtrace) << mode;
        EXPECT_NE(at(log, "Function name:      VEK_Juce_Crash_Handler"), std::string::npos) << mode;
        EXPECT_NE(log.find("[0x", backtrace), std::string::npos) << mode << ": with frames\n" << log;
        if (std::string(mode) == "segv")
        {
            EXPECT_LT(at(log, " probe: grouped line before the fault\n"), signal_line)
                << "the crashing thread's open group is written before the handler's lines";
        }
    }
}

TEST(SafetyNet, LineLoggedRightBeforeSigkillIsInTheFile)
{
    Probe probe("sigkill");
    EXPECT_EQ(probe.exit_code(20000), 128 + SIGKILL);
    EXPECT_NE(read_log().find(" probe: last words before SIGKILL\n"), std::string::npos)
        << "a line is in the file before the call that logged it returns";
}

TEST(SafetyNet, ExceptionInAClickedButtonIsReportedOnceAndTheProgramGoesOn)
{
    Probe probe("click");
    ASSERT_TRUE(pump_until([] { return read_log().find("probe button at ") != std::string::npos; }, 20000))
        << read_log();

    // Clicks where the probe last said its button is, until the program has logged the click's
    // line: a click that comes before the window takes input is lost. Screen coordinates need
    // neither the window manager's activation nor a search for the window. What xdotool said is
    // kept for the failure message.
    std::string tool_output;
    const auto click_until_logged = [&](const std::string& line) {
        for (int attempt = 0; attempt < 10; ++attempt)
        {
            const std::string log = read_log();
            const auto at_line = log.rfind("probe button at ");
            std::istringstream where(log.substr(at_line + std::string("probe button at ").size()));
            int x = 0;
            int y = 0;
            where >> x >> y;
            tool_output = output_of({"xdotool", "mousemove", juce::String(x), juce::String(y), "sleep", "0.1", "click",
                                     "1", "getmouselocation"});
            if (pump_until([&] { return read_log().find(line) != std::string::npos; }, 2000))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(click_until_logged("probe click 1")) << tool_output << "\n" << read_log();
    ASSERT_TRUE(pump_until([] { return read_log().find("probe box: VEK problem detected!") != std::string::npos; },
                           10000))
        << read_log();
    ASSERT_TRUE(click_until_logged("probe click 2"))
        << "the program answers the next click\n" << tool_output << "\n" << read_log();

    const std::string log = read_log();
    EXPECT_EQ(count_of(log, "probe box: VEK problem detected!"), 1u) << "shown once";
    EXPECT_EQ(count_of(log, "The error text is:  the button's handler failed"), 1u) << "logged once";
    EXPECT_NE(log.find("Function name:      ThrowingButtonComponent"), std::string::npos);
    EXPECT_EQ(probe.exit_code(0), -1) << "still running";

    probe.signal(SIGTERM);
    EXPECT_EQ(probe.exit_code(10000), 0) << "SIGTERM quits the way closing the window does";
    EXPECT_NE(read_log().find(" received SIGTERM: quitting\n"), std::string::npos);
    EXPECT_NE(read_log().find(" probe: shut down\n"), std::string::npos) << "the normal shutdown ran";
}
