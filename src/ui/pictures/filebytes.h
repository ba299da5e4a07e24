#pragma once
// Reads a whole picture file for the preview and for the upload. Only regular files are read:
// a folder or a named pipe listed in the picture folder must give an error, never a hang.
#include <QByteArray>
#include <QString>

#include <cstdint>

namespace pictures {

enum class FileReadStatus {
    Ok,
    OpenFailed, // missing, no permission, a folder, not a regular file
    TooLarge,   // larger than the caller's limit; nothing was read
    ReadFailed, // an I/O error part way
};

struct FileBytes {
    FileReadStatus status = FileReadStatus::OpenFailed;
    QByteArray bytes;
    int64_t fileSize = 0; // the length found on opening (0 when the open failed)
    QString error;        // names the cause and the file; empty on success
};

FileBytes ReadWholeFile(const QString& path, int64_t maxBytes);
// The size of a regular file, -1 when it cannot be learnt.
int64_t FileSize(const QString& path);

// File names are bytes; most are UTF-8, some are not (copied from an old camera or another
// system). DecodeFileName keeps every byte: one that is not part of valid UTF-8 becomes the lone
// surrogate U+DC80..U+DCFF, which EncodeFileName turns back into that byte, so the file opens by
// its own name. ShownFileName is the same name for the eye, with U+FFFD for each such byte.
QString DecodeFileName(const QByteArray& bytes);
QByteArray EncodeFileName(const QString& name);
QString ShownFileName(const QString& name);

} // namespace pictures
