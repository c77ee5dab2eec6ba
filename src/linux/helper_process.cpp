// Starting, watching and ending a helper and its process group.
#include "helper_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace nivora::program {

namespace {

constexpr std::chrono::milliseconds kPatience{500};  // between SIGTERM and SIGKILL
constexpr int kPollMs = 10;

// Whether the helper has ended, without reaping it: while it stays a zombie its number cannot be taken by another
// process, so signalling its group can reach nothing else.
bool ended(pid_t child)
{
    siginfo_t info{};
    if (waitid(P_PID, id_t(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno != EINTR;
    return info.si_pid == child;
}

int reap(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return status;
}

// SIGTERM to the group, then SIGKILL to what is left once the helper has gone or the patience has run out.
void endGroup(pid_t child)
{
    kill(-child, SIGTERM);
    const auto patience = std::chrono::steady_clock::now() + kPatience;
    while (!ended(child) && std::chrono::steady_clock::now() < patience)
        poll(nullptr, 0, kPollMs);
    kill(-child, SIGKILL);
    reap(child);
}

pid_t start(std::span<const char* const> programs, const std::vector<std::string>& arguments)
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own; and the signals this program ignores or blocks are not the helper's business.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t child = -1;
    for (const char* program : programs) {
        std::vector<char*> argv{const_cast<char*>(program)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (posix_spawnp(&child, program, nullptr, &attributes, argv.data(), environ) == 0)
            break;
        child = -1;
    }
    posix_spawnattr_destroy(&attributes);
    return child;
}

}  // namespace

HelperRun runHelper(std::span<const char* const> programs, const std::vector<std::string>& arguments, int stopFd,
                    std::chrono::milliseconds limit)
{
    const pid_t child = start(programs, arguments);
    if (child <= 0)
        return {};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (ended(child)) {
            kill(-child, SIGKILL);  // whatever it started and left behind
            return {HelperEnd::Exited, reap(child)};
        }
        pollfd stop{stopFd, POLLIN, 0};
        if (poll(&stop, 1, kPollMs) > 0 && (stop.revents & POLLIN)) {
            endGroup(child);
            return {HelperEnd::Stopped, 0};
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            endGroup(child);
            return {HelperEnd::TimedOut, 0};
        }
    }
}

}  // namespace nivora::program
