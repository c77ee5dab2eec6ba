// The watcher's loop and the snow it starts: this same program, run as a child that ends with the watcher.
#include "idle_watcher.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "core/snow/frame_clock.h"
#include "event_loop.h"

namespace nivora::program {

namespace {

constexpr int64_t kPatienceUs = 2'000'000;  // between SIGTERM and SIGKILL: the snow ends at once when well
constexpr int kReapPollMs = 20;

// Starts the snow: this program, from the file it was started from even if that has been replaced since. The child
// gets SIGTERM when the watcher dies, even by SIGKILL, so no snow outlives it.
pid_t startSnow(const LinuxOptions& options, const char* target)
{
    std::vector<std::string> arguments{"nivora"};
    arguments.insert(arguments.end(), options.snowArguments.begin(), options.snowArguments.end());
    if (target)
        arguments.emplace_back(target);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child != 0)
        return child;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)  // the watcher died before the line above
        _exit(0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    execv("/proc/self/exe", argv.data());
    const char line[] = "nivora: cannot start the snow\n";
    const ssize_t written = write(2, line, sizeof line - 1);
    (void)written;
    _exit(127);
}

bool reaped(pid_t child)
{
    int status = 0;
    pid_t got;
    while ((got = waitpid(child, &status, WNOHANG)) < 0 && errno == EINTR) {}
    return got != 0;  // ended (or no longer ours)
}

void endSnow(pid_t child)
{
    kill(child, SIGTERM);
    const int64_t deadline = clockNow() + kPatienceUs;
    while (!reaped(child)) {
        if (clockNow() >= deadline) {
            kill(child, SIGKILL);
            while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {}
            return;
        }
        poll(nullptr, 0, kReapPollMs);
    }
}

// Waits for the snow to end, or for the watcher to be told to end: then it ends the snow first. True when told to
// end.
bool runSnow(const LinuxOptions& options, const char* target, int stopFd)
{
    const pid_t child = startSnow(options, target);
    if (child < 0) {
        std::perror("nivora: cannot start the snow");
        return false;
    }
    // A pidfd wakes the wait when the snow ends; without one (a kernel before 5.3), the wait looks a few times a
    // second.
    const int pidFd = int(syscall(SYS_pidfd_open, child, 0));
    for (;;) {
        const Woken woken = waitFor(pidFd, POLLIN, stopFd, pidFd >= 0 ? FrameClock::kNever : 200'000);
        if (woken.stop) {
            endSnow(child);
            if (pidFd >= 0)
                close(pidFd);
            return true;
        }
        if (reaped(child)) {
            if (pidFd >= 0)
                close(pidFd);
            return false;
        }
    }
}

}  // namespace

int watchIdle(const LinuxOptions& options, IdleSource& source, int stopFd)
{
    SessionBlocks blocks;
    for (;;) {
        const IdleWait wait = source.wait();
        const Woken woken = waitFor(wait.fd, wait.events, stopFd, wait.timeout);
        if (woken.stop)
            return 0;
        switch (source.read(woken.display)) {
        case IdleNews::Nothing:
            break;
        case IdleNews::Lost:
            return 1;
        case IdleNews::Idle:
            // A locked session or an inhibited idle waits for the next time the user is idle.
            if (!blocks.now() && runSnow(options, source.snowTarget(), stopFd))
                return 0;
            break;
        }
    }
}

}  // namespace nivora::program
