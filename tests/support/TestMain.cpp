#include "PrivateDisplay.h"
#include "TestSupport.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <memory>

namespace
{
// The framework, started once for the whole test program, with every process-wide side effect
// (configuration, log file) kept in folders of its own.
class JuceEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/vek-test-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create the test folder " + pattern);
        root = juce::File(pattern);
        root.getChildFile("home").createDirectory();
        root.getChildFile("tmp").createDirectory();
        setenv("HOME", root.getChildFile("home").getFullPathName().toRawUTF8(), 1);
        setenv("TMPDIR", root.getChildFile("tmp").getFullPathName().toRawUTF8(), 1);

        // Tests that show windows get a display of their own: on a shared one, the windows of a test
        // running beside them take the focus, the keys and the clicks.
        if (std::getenv("VEK_TEST_OWN_DISPLAY") != nullptr)
        {
            display = std::make_unique<PrivateDisplay>();
            if (display->name().empty())
                throw std::runtime_error("cannot start a display of the test's own");
        }

        // Run as the client runs: the framework treats a program as a standalone application only
        // when it has an application factory, and only then does it set up Xlib for threads and
        // install its X error handlers. Without them, an X error about a window that another
        // test's client has just closed ends this test program.
        juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };
        juce_initialiser = std::make_unique<juce::ScopedJuceInitialiser_GUI>();
        Interaction::set(&recorder());
    }

    void TearDown() override
    {
        Interaction::set(nullptr);
        juce_initialiser.reset();
        display.reset();
        if (! std::getenv("VEK_KEEP_TEST_FILES"))
            root.deleteRecursively();
    }

private:
    juce::File root;
    std::unique_ptr<PrivateDisplay> display;
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> juce_initialiser;
};
} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new JuceEnvironment);
    return RUN_ALL_TESTS();
}
