// The program's signals and standard fds.
#include "stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <initializer_list>

namespace nivora::program {

namespace {

// A signal handler can reach nothing but a global: the pipe's writing end, set once by StopSignals::listen.
int stopWriter = -1;

void onStop(int)
{
    const char byte = 1;
    const ssize_t written = write(stopWriter, &byte, 1);  // non-blocking: a full pipe already says "stop"
    (void)written;
}

}  // namespace

void fillStandardFds()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1)
            continue;
        const int opened = open("/dev/null", O_RDWR);
        if (opened > 2)  // cannot happen while fd is free; never close a standard one
            close(opened);
    }
}

void ignoreBrokenPipes()
{
    signal(SIGPIPE, SIG_IGN);
}

// The handlers stay: a second SIGTERM while the program ends (an impatient daemon, a user pressing Ctrl+C twice) must
// not kill it with status 143 halfway through removing what it made. They write nowhere from here on.
StopSignals::~StopSignals()
{
    stopWriter = -1;
    if (read_ >= 0)
        close(read_);
    if (write_ >= 0)
        close(write_);
}

bool StopSignals::listen()
{
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    read_ = ends[0];
    write_ = ends[1];
    stopWriter = write_;
    struct sigaction action {};
    action.sa_handler = &onStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        if (sigaction(signal, &action, nullptr) != 0)
            return false;
    return true;
}

}  // namespace nivora::program
