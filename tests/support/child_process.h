// What the Linux programs' end-to-end tests share: starting a program with its standard error read, waiting for its
// end, and polling for a state that must come or must last. NIVORA_BIN names the folder of the programs under test.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

extern char** environ;

namespace nivora::child_process {

using Clock = std::chrono::steady_clock;
// The one limit of everything the tests wait on: a window, a frame, a picture, an end. A wait ends as soon as its
// state holds, so this costs time only when a test fails; it lies far beyond what a machine that other work keeps
// busy takes for a state that comes within a second when idle. No test asserts how soon a state comes.
inline constexpr auto kPatience = std::chrono::seconds(120);

inline std::string bin(const char* program)
{
    const char* folder = std::getenv("NIVORA_BIN");
    return std::string(folder ? folder : ".") + "/" + program;
}

// Polls `done` until it holds or `patience` runs out.
template <class Done>
bool eventually(Done&& done, Clock::duration patience = kPatience)
{
    const auto until = Clock::now() + patience;
    while (Clock::now() < until) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

// For a state that must last rather than arrive: false as soon as it fails within `time`.
template <typename Holds>
bool holdsFor(Holds&& holds, std::chrono::milliseconds time)
{
    const auto until = Clock::now() + time;
    while (Clock::now() < until) {
        if (!holds())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return holds();
}

// A started program; what it writes on standard error gathers in `err` as it runs (a full pipe would stop it).
struct Child {
    pid_t pid = -1;
    int errFd = -1;  // non-blocking: a helper it left running may hold the pipe open, so no waiting for EOF
    std::string err;
    std::optional<int> status;

    bool running()
    {
        drainErr();
        int raw = 0;
        if (status || pid <= 0 || waitpid(pid, &raw, WNOHANG) != pid)
            return !status && pid > 0;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        drainErr();
        close(errFd);
        errFd = -1;
        return false;
    }
    // Waits for the end; nothing when it does not come within `patience`.
    std::optional<int> wait(Clock::duration patience = kPatience)
    {
        eventually([&] { return !running(); }, patience);
        return status;
    }
    void drainErr()
    {
        char buffer[4096];
        ssize_t n = 0;
        while (errFd >= 0 && (n = read(errFd, buffer, sizeof buffer)) > 0)
            err.append(buffer, size_t(n));
    }
    // Its user and system time, in clock ticks.
    long cpuTicks() const
    {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i == 14)
                utime = std::stol(field);
            if (i == 15)
                stime = std::stol(field);
        }
        return utime + stime;
    }
    ~Child()
    {
        if (pid > 0 && running()) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (errFd >= 0)
            close(errFd);
    }
};

// `program` is a path or a name looked for in PATH. The given variables replace those of the same name. `closed`
// names standard fds the program starts without; its standard error is read unless fd 2 is one.
inline std::unique_ptr<Child> start(const std::string& program, const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& environment = {},
                                    const std::vector<int>& closed = {})
{
    auto child = std::make_unique<Child>();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (std::find(closed.begin(), closed.end(), STDERR_FILENO) == closed.end())
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    for (const int fd : closed)
        posix_spawn_file_actions_addclose(&actions, fd);
    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : argvText)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText(environment.begin(), environment.end());
    for (char** e = environ; *e; ++e) {
        const std::string_view variable(*e);
        const std::string_view name = variable.substr(0, variable.find('=') + 1);
        if (std::none_of(environment.begin(), environment.end(),
                         [&](const std::string& given) { return given.starts_with(name); }))
            envText.emplace_back(variable);
    }
    std::vector<char*> envp;
    for (std::string& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    if (posix_spawnp(&child->pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        child->pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    child->errFd = fds[0];
    return child;
}

}  // namespace nivora::child_process
