#include "picturetestsupport.h"

#include <QBuffer>
#include <QFile>

namespace picturetest {

QByteArray EncodePicture(int width, int height, const char* format, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QString WriteFile(const QString& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir + u'/' + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

QByteArray Pattern(qsizetype n) {
    QByteArray bytes(n, Qt::Uninitialized);
    // Starts with a zero byte, so it is never taken for a picture.
    for (qsizetype i = 0; i < n; ++i)
        bytes[i] = char((i * 31 + i / 257) & 0xFF);
    return bytes;
}

} // namespace picturetest
