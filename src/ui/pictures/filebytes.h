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

} // namespace pictures
