#include "ExternalCommand.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

ExternalCommand::ExternalCommand(std::vector<std::string> arguments_) : arguments(std::move(arguments_))
{
}

std::string ExternalCommand::start_error_text() const
{
    return std::strerror(start_error);
}

std::string ExternalCommand::command_line() const
{
    std::string line;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string& argument = arguments[i];
        const bool plain = i == 0 || argument.rfind("-", 0) == 0
                           || (! argument.empty()
                               && std::all_of(argument.begin(), argument.end(),
                                              [](unsigned char c) { return std::isdigit(c) != 0; }));
        line += plain ? argument : "\"" + argument + "\"";
        line += ' ';
    }
    return line;
}

bool ExternalCommand::open_on_desktop(const std::string& path)
{
    return ExternalCommand({"xdg-open", path}).start_detached();
}

bool ExternalCommand::reveal_on_desktop(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return open_on_desktop(slash == std::string::npos ? "." : path.substr(0, std::max<std::size_t>(slash, 1)));
}

int ExternalCommand::spawn(bool new_session)
{
    start_error = 0;
    if (arguments.empty())
    {
        start_error = EINVAL;
        return -1;
    }

    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 34)
    // The log file and the like stay ours.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif

    // The program starts with the default signal handling and mask, whatever this process
    // ignores (a write to a closed socket, for one).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigmask(&attributes, &empty);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (new_session)
        flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attributes, flags);

    pid_t pid = -1;
    start_error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);

    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return start_error == 0 ? pid : -1;
}

namespace
{
int wait_for_exit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
    {
        if (errno != EINTR)
            return errno;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
} // namespace

int ExternalCommand::run()
{
    const pid_t pid = spawn(false);
    if (pid < 0)
        return start_error;
    return wait_for_exit(pid);
}

bool ExternalCommand::start_detached()
{
    const pid_t pid = spawn(true);
    if (pid < 0)
        return false;
    std::thread([pid] { wait_for_exit(pid); }).detach();
    return true;
}
