#include "phonesim/statestore.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace phonesim {
namespace {

std::string ProgramName() {
    char name[256] = {};
    int fd = open("/proc/self/comm", O_RDONLY | O_CLOEXEC);
    ssize_t n = fd >= 0 ? read(fd, name, sizeof name - 1) : -1;
    if (fd >= 0)
        close(fd);
    std::string s = n > 0 ? std::string(name, static_cast<size_t>(n)) : "unknown";
    while (!s.empty() && (s.back() == '\n' || s.back() == '\0'))
        s.pop_back();
    return s;
}

} // namespace

StateFileLock::~StateFileLock() {
    if (m_fd >= 0)
        close(m_fd); // releases the flock; the file stays, an unlocked lock file means nothing
}

std::unique_ptr<StateFileLock> StateFileLock::Acquire(const std::string& statePath,
                                                      std::string* holder) {
    const std::string path = statePath + ".lock";
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        *holder = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char text[128] = {};
        ssize_t n = pread(fd, text, sizeof text - 1, 0);
        close(fd);
        std::string who = n > 0 ? std::string(text, static_cast<size_t>(n)) : "";
        while (!who.empty() && (who.back() == '\n' || who.back() == ' '))
            who.pop_back();
        *holder = who.empty() ? "another process" : who;
        return nullptr;
    }
    std::string me = "process " + std::to_string(getpid()) + " (" + ProgramName() + ")\n";
    if (ftruncate(fd, 0) != 0 ||
        pwrite(fd, me.data(), me.size(), 0) != static_cast<ssize_t>(me.size())) {
        // The lock holds all the same; only the holder's name would be missing.
    }
    return std::unique_ptr<StateFileLock>(new StateFileLock(fd));
}

OpenedState OpenStateFile(const std::string& path) {
    OpenedState opened;
    opened.state = PhoneState::Demo();
    std::string holder;
    opened.lock = StateFileLock::Acquire(path, &holder);
    if (!opened.lock) {
        opened.result = OpenedState::Result::InUse;
        opened.message = "The phone's state file " + path + " is in use by " + holder +
                         "; this run uses the demo data and saves nothing.";
        return opened;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 && errno == ENOENT) {
        std::string error;
        if (!SaveState(opened.state, path, &error)) {
            opened.result = OpenedState::Result::CannotCreate;
            opened.message = "The phone's state file cannot be created (" + error +
                             "); this run uses the demo data and saves nothing.";
            opened.lock.reset();
            return opened;
        }
        opened.result = OpenedState::Result::Created;
        return opened;
    }
    std::string error;
    PhoneState loaded;
    if (!LoadState(path, &loaded, &error)) {
        opened.result = OpenedState::Result::Corrupt;
        opened.message = "The phone's state file cannot be read (" + error +
                         "); it is left as it is, this run uses the demo data and saves nothing.";
        opened.lock.reset();
        return opened;
    }
    opened.state = std::move(loaded);
    opened.result = OpenedState::Result::Loaded;
    return opened;
}

} // namespace phonesim
