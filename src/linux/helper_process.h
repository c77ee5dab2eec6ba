// A helper program run for the snow (XScreenSaver's image helper), in a process group of its own, so that whatever
// it starts ends with it: at its time limit, when the program is told to end, and once it has ended itself.
#pragma once

#include <chrono>
#include <span>
#include <string>
#include <vector>

namespace nivora::program {

enum class HelperEnd {
    Exited,    // ended by itself: `status` says how (waitpid's)
    Missing,   // none of the programs could be started
    TimedOut,  // still running at the limit: its group was ended
    Stopped,   // the program was told to end meanwhile: its group was ended
};

struct HelperRun {
    HelperEnd end = HelperEnd::Missing;
    int status = 0;
};

// Runs the first of `programs` that can be started (a name is looked for on PATH) with `arguments` after its name,
// until it ends, `limit` passes or `stopFd` becomes readable. What is left of its group then gets SIGTERM and, half
// a second later, SIGKILL; children it leaves behind when it ends by itself get SIGKILL at once.
HelperRun runHelper(std::span<const char* const> programs, const std::vector<std::string>& arguments, int stopFd,
                    std::chrono::milliseconds limit);

}  // namespace nivora::program
