#include "filebytes.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictures {
namespace {

QString describe(const QString& path, const QString& cause) {
    return QStringLiteral("Cannot open the file \"%1\": %2.").arg(path, cause);
}

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

FileBytes ReadWholeFile(const QString& path, int64_t maxBytes) {
    FileBytes result;
    if (path.isEmpty()) {
        result.error = QStringLiteral("Cannot open the file: no file name was given.");
        return result;
    }
    const QByteArray native = QFile::encodeName(path);
    Fd file;
    // Non-blocking so that opening a named pipe returns at once; regular files ignore the flag.
    file.fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (file.fd < 0) {
        result.error = describe(path, errnoText(errno));
        return result;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        result.error = describe(path, errnoText(errno));
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        result.error = describe(path, QStringLiteral("it is a folder, not a file"));
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = describe(path, QStringLiteral("it is not a regular file"));
        return result;
    }
    result.fileSize = int64_t(info.st_size);
    if (result.fileSize > maxBytes) {
        result.status = FileReadStatus::TooLarge;
        result.error = QStringLiteral("The file \"%1\" is too large (%2 bytes; at most %3).")
                           .arg(path)
                           .arg(result.fileSize)
                           .arg(maxBytes);
        return result;
    }
    result.bytes.resize(qsizetype(result.fileSize));
    int64_t done = 0;
    while (done < result.fileSize) {
        const ssize_t got = ::read(file.fd, result.bytes.data() + done, size_t(result.fileSize - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            result.status = FileReadStatus::ReadFailed;
            result.error = QStringLiteral("Cannot read the file \"%1\": %2.").arg(path, errnoText(errno));
            result.bytes.clear();
            return result;
        }
        if (got == 0)
            break; // the file shrank since it was opened: what is there is what gets used
        done += got;
    }
    result.bytes.resize(qsizetype(done));
    result.status = FileReadStatus::Ok;
    return result;
}

} // namespace pictures
