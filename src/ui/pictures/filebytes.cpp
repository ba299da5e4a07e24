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
    return QStringLiteral("Cannot open the file \"%1\": %2.").arg(ShownFileName(path), cause);
}

constexpr char16_t kEscapeBase = 0xDC00; // U+DC80..U+DCFF stand for the bytes 0x80..0xFF

// The length of the valid UTF-8 sequence at s[i], 0 when there is none (overlong forms,
// surrogates and values past U+10FFFF are not valid).
int Utf8SequenceAt(const QByteArray& s, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    int length;
    char32_t value;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (at(i + k) & 0x3F);
    }
    if ((length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) ||
        (length == 4 && (value < 0x10000 || value > 0x10FFFF)))
        return 0;
    return length;
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
    const QByteArray native = EncodeFileName(path);
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
                           .arg(ShownFileName(path))
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
            result.error = QStringLiteral("Cannot read the file \"%1\": %2.").arg(ShownFileName(path), errnoText(errno));
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

int64_t FileSize(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(EncodeFileName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return int64_t(info.st_size);
}

QString DecodeFileName(const QByteArray& bytes) {
    QString name;
    name.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = Utf8SequenceAt(bytes, i);
        if (length == 0) {
            name.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i]))));
            ++i;
        } else {
            name.append(QString::fromUtf8(bytes.constData() + i, length));
            i += length;
        }
    }
    return name;
}

QByteArray EncodeFileName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        const bool pairStart = QChar::isHighSurrogate(unit) && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        if (pairStart) {
            bytes.append(name.mid(i, 2).toUtf8());
            ++i;
        } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            bytes.append(char(unit - kEscapeBase));
        } else {
            bytes.append(QString(QChar(unit)).toUtf8());
        }
    }
    return bytes;
}

QString ShownFileName(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t unit = shown[i].unicode();
        const bool pair = QChar::isHighSurrogate(unit) && i + 1 < shown.size() && shown[i + 1].isLowSurrogate();
        if (pair)
            ++i;
        else if (QChar::isSurrogate(unit))
            shown[i] = QChar(QChar::ReplacementCharacter);
    }
    return shown;
}

} // namespace pictures
