#pragma once
// Shared by the picture tests: temporary folders, small pictures made on the fly, and a
// recorder that takes the message boxes.
#include "ui/pictures/picturemessages.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QTemporaryDir>

namespace picturetest {

// Takes every message box while it lives.
class MessageRecorder {
public:
    MessageRecorder() {
        pictures::SetMessageBoxHook([this](const pictures::MessageBoxText& m) { messages.append(m); });
    }
    ~MessageRecorder() { pictures::SetMessageBoxHook({}); }
    QList<pictures::MessageBoxText> messages;
};

// A picture of the given size in the given format ("PNG", "GIF", "BMP", "JPEG").
QByteArray EncodePicture(int width, int height, const char* format, QColor colour = Qt::red);
// Writes bytes to dir/name and returns the path.
QString WriteFile(const QString& dir, const QString& name, const QByteArray& bytes);
// Bytes that no decoder takes as a picture, of any length.
QByteArray Pattern(qsizetype n);

} // namespace picturetest
