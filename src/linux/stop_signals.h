// How the Linux program is told to end, and what it does first so that nothing else ends it: the standard fds made
// safe, SIGPIPE ignored, and SIGTERM, SIGINT and SIGHUP turned into a byte on a pipe that every wait watches.
#pragma once

namespace nivora::program {

// Started with any of fds 0-2 closed, the stop pipe or the display's connection would take its number, and the
// first warning would be written into the pipe (an end at once) or into the display's protocol stream (a hang).
// /dev/null fills them first.
void fillStandardFds();

// A write to a pipe whose reader has gone (stderr into a closed pager, a log collector that ended) fails with EPIPE
// instead of killing the program with status 141 in the middle of a line.
void ignoreBrokenPipes();

// The pipe that becomes readable when SIGTERM (how XScreenSaver and idle daemons stop a saver), SIGINT (Ctrl+C) or
// SIGHUP (a closed terminal) comes. One per program: the signal handler writes to it.
class StopSignals {
public:
    StopSignals() = default;
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Makes the pipe and installs the handlers; false, with errno set, when the system refuses.
    bool listen();
    int fd() const { return read_; }

private:
    int read_ = -1;
    int write_ = -1;
};

}  // namespace nivora::program
