#include "pushfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string sizeText(int64_t bytes) {
    if (bytes % (1024 * 1024) == 0)
        return std::to_string(bytes / (1024 * 1024)) + " MiB";
    return std::to_string(bytes) + " bytes";
}

struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

bool ReadPushFile(const std::string& path, int64_t limit, std::vector<uint8_t>* data,
                  std::string* error) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer before we can say no to it.
    Fd file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)};
    if (file.fd < 0) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) {
        *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = path + " is not a regular file (" +
                 (S_ISDIR(st.st_mode)                          ? "a folder"
                  : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device"
                  : S_ISFIFO(st.st_mode)                       ? "a pipe"
                                                               : "not a file") +
                 "); only a picture file can be pushed";
        return false;
    }
    if (st.st_size > limit) {
        *error = path + " is " + std::to_string(st.st_size) + " bytes, more than the " +
                 sizeText(limit) + " a push sends";
        return false;
    }
    data->clear();
    data->reserve(size_t(st.st_size));
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            *error = "cannot read " + path + ": " + std::strerror(errno);
            return false;
        }
        if (n == 0)
            return true;
        // A file that grows while it is read is held to the same limit.
        if (int64_t(data->size()) + n > limit) {
            *error = path + " grew past the " + sizeText(limit) + " a push sends while it was read";
            return false;
        }
        data->insert(data->end(), buffer, buffer + n);
    }
}
