#include "QuitSignals.h"

#include "Log.h"
#include "VekApp.h"

#include <atomic>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace
{
// Process-wide and never closed: a signal may arrive at any moment until the process ends.
int pipe_ends[2] = {-1, -1};
std::atomic<int> signals_received{0};

const int quit_signal_numbers[] = {SIGTERM, SIGHUP, SIGINT};

void on_quit_signal(int number)
{
    if (signals_received.fetch_add(1) > 0)
    {
        // Already quitting and asked again: the default action ends the process now.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const auto written = ::write(pipe_ends[1], &byte, 1);
}
} // namespace

void QuitSignals::quit_cancelled()
{
    signals_received = 0;
}

const char* QuitSignals::signal_name(int number)
{
    switch (number)
    {
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        case SIGINT: return "SIGINT";
        case SIGSEGV: return "SIGSEGV";
        case SIGBUS: return "SIGBUS";
        case SIGILL: return "SIGILL";
        case SIGFPE: return "SIGFPE";
        case SIGABRT: return "SIGABRT";
        case SIGSYS: return "SIGSYS";
        default: return "unnamed signal";
    }
}

QuitSignals::QuitSignals()
{
#if JUCE_LINUX || JUCE_BSD
    if (pipe_ends[0] < 0 && ::pipe(pipe_ends) == 0)
    {
        for (const int end : pipe_ends)
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(pipe_ends[1], F_SETFL, O_NONBLOCK);
    }
    if (pipe_ends[0] < 0)
        return;

    juce::LinuxEventLoop::registerFdCallback(pipe_ends[0], [](int fd) {
        unsigned char number = 0;
        if (::read(fd, &number, 1) != 1)
            return;
        LogLine() << "received " << signal_name(number) << ": quitting";
        VekApplication::quit_when_no_modal_loop();
    });

    struct sigaction action{};
    action.sa_handler = on_quit_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : quit_signal_numbers)
        ::sigaction(number, &action, nullptr);
#endif
}

QuitSignals::~QuitSignals()
{
#if JUCE_LINUX || JUCE_BSD
    if (pipe_ends[0] >= 0)
        juce::LinuxEventLoop::unregisterFdCallback(pipe_ends[0]);
#endif
}
