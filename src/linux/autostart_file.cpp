// The autostart entry written in one step: a session that starts while it is being written finds the old entry or
// the new one, never half of one.
#include "autostart_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace nivora::program {

namespace {

std::optional<std::string> configFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/')  // a relative one is ignored, as XDG base directories are
        return std::string(config);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config";
    return std::nullopt;
}

// The file this program was started from, so the entry starts this one wherever it is installed.
std::string thisProgram()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, size_t(length)) : std::string("nivora");
}

bool makeFolder(const std::string& folder, mode_t mode)
{
    return mkdir(folder.c_str(), mode) == 0 || errno == EEXIST;
}

bool writeWhole(int fd, const std::string& text)
{
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

int failed(const std::string& what)
{
    std::fprintf(stderr, "nivora: %s: %s\n", quotedForTerminal(what).c_str(), std::strerror(errno));
    return 1;
}

}  // namespace

int setAutostart(const LinuxOptions& options)
{
    const std::optional<std::string> config = configFolder();
    if (!config) {
        std::fprintf(stderr, "nivora: neither XDG_CONFIG_HOME nor HOME names a folder for the autostart entry\n");
        return 1;
    }
    const std::string folder = *config + "/autostart";
    const std::string file = folder + "/nivora.desktop";
    if (options.autostart == false) {
        if (unlink(file.c_str()) != 0 && errno != ENOENT)
            return failed(file);
        std::printf("nivora: %s removed; nivora --idle no longer starts with the session\n",
                    quotedForTerminal(file).c_str());
        return 0;
    }
    const std::optional<std::string> entry = autostartEntry(thisProgram(), options);
    if (!entry) {
        std::fprintf(stderr, "nivora: the options hold a control character, which an autostart entry cannot hold\n");
        return 2;
    }
    if (!makeFolder(*config, 0700))
        return failed(*config);
    if (!makeFolder(folder, 0755))
        return failed(folder);
    std::string temporary = folder + "/.nivora.desktop.XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return failed(folder);
    bool ok = fchmod(fd, 0644) == 0 && writeWhole(fd, *entry) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temporary.c_str(), file.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        errno = error;
        return failed(file);
    }
    std::printf("nivora: %s written; nivora --idle %s starts with the next session\n", quotedForTerminal(file).c_str(),
                idleTimeText(*options.idle).c_str());
    return 0;
}

}  // namespace nivora::program
