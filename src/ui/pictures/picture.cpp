#include "picture.h"

#include "ui/pictures/filebytes.h"
#include "ui/pictures/himetric.h"
#include "ui/pictures/picturemessages.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QPaintDevice>
#include <QPainter>

#include <limits>

namespace pictures {

const char kPictureCaption[] = "CPicture Error";

QByteArray SniffPictureFormat(const QByteArray& head) {
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return "gif";
    if (head.startsWith("\xFF\xD8\xFF"))
        return "jpeg";
    if (head.startsWith("\x89PNG\r\n\x1A\n"))
        return "png";
    // "BM" followed by a header long enough to hold the file and info headers.
    if (head.startsWith("BM") && head.size() >= 26)
        return "bmp";
    return {};
}

} // namespace pictures

namespace {

// The two fixed texts end in a tab, as they always have.
const QString kNoMemoryText = QStringLiteral("Can not allocate enough memory\t");
const QString kNoInterfaceText = QStringLiteral("IPicture interface is not supported\t");

void pictureError(const QString& text) {
    pictures::ShowMessageBox(QApplication::activeWindow(),
                             {QString::fromLatin1(pictures::kPictureCaption), text, pictures::MessageIcon::Error});
}

} // namespace

struct CPicture::Decoded {
    QImage image;
    int32_t himetricWidth = 0;
    int32_t himetricHeight = 0;
};

CPicture::CPicture() = default;

CPicture::~CPicture() {
    if (m_picture)
        Clear();
}

void CPicture::Clear() {
    m_picture.reset();
    m_height = 0;
    m_fileSize = 0;
    m_width = 0;
}

int32_t CPicture::HimetricWidth() const { return m_picture ? m_picture->himetricWidth : 0; }
int32_t CPicture::HimetricHeight() const { return m_picture ? m_picture->himetricHeight : 0; }
QImage CPicture::Image() const { return m_picture ? m_picture->image : QImage(); }

int CPicture::LoadFile(const QString& path) {
    if (m_picture)
        Clear();
    m_problem.clear();
    int result = 0;
    const pictures::FileBytes file = pictures::ReadWholeFile(path, pictures::kMaxPictureFileBytes);
    switch (file.status) {
    case pictures::FileReadStatus::OpenFailed:
    case pictures::FileReadStatus::ReadFailed:
        pictureError(file.error);
        m_problem = file.error;
        break;
    case pictures::FileReadStatus::TooLarge:
        // Refused by its size before any memory was asked for: say so, not "out of memory".
        m_problem = QStringLiteral("The file is too large to show (%1 MB); pictures of up to %2 MB can be shown.")
                        .arg(double(file.fileSize) / (1024 * 1024), 0, 'f', 1)
                        .arg(pictures::kMaxPictureFileBytes / (1024 * 1024));
        pictureError(m_problem);
        break;
    case pictures::FileReadStatus::Ok:
        // An empty file is no picture, and not worth a message.
        if (!file.bytes.isEmpty())
            result = LoadFromMemory(file.bytes) ? 1 : 0;
        break;
    }
    m_fileSize = file.status == pictures::FileReadStatus::OpenFailed
                     ? 0
                     : uint32_t(std::min<int64_t>(file.fileSize, std::numeric_limits<uint32_t>::max()));
    if (!m_picture)
        result = 0;
    updateSizes();
    return result;
}

int CPicture::LoadFromMemory(const QByteArray& bytes) {
    // Replacing the picture also replaces its sizes; a failed load leaves none at all rather
    // than the sizes of the one before.
    m_picture.reset();
    m_problem.clear();
    const bool ok = decode(bytes);
    updateSizes();
    return ok ? 1 : 0;
}

bool CPicture::decode(const QByteArray& bytes) {
    if (bytes.size() > pictures::kMaxPictureFileBytes) {
        pictureError(kNoMemoryText);
        return false;
    }
    const QByteArray format = pictures::SniffPictureFormat(bytes.left(32));
    if (format.isEmpty()) {
        m_problem = QStringLiteral("The file is not a picture (GIF, JPEG, BMP or PNG).");
        return false;
    }
    // A picture type we recognise but cannot decode on this system (its plug-in is missing).
    if (!QImageReader::supportedImageFormats().contains(format)) {
        pictureError(kNoInterfaceText);
        return false;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(pictures::kDecodeLimitMegabytes);
    const QSize size = reader.size();
    if (size.isValid() &&
        int64_t(size.width()) * int64_t(size.height()) * 4 > int64_t(pictures::kDecodeLimitMegabytes) * 1024 * 1024) {
        m_problem = QStringLiteral("The picture is too large to show (%1 x %2 pixels).").arg(size.width()).arg(size.height());
        pictureError(m_problem);
        return false;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        m_problem = QStringLiteral("The picture is damaged and cannot be shown (%1).").arg(reader.errorString());
        return false;
    }
    auto decoded = std::make_unique<Decoded>();
    decoded->himetricWidth = pictures::HimetricFromPixels(image.width());
    decoded->himetricHeight = pictures::HimetricFromPixels(image.height());
    decoded->image = std::move(image);
    m_picture = std::move(decoded);
    return true;
}

void CPicture::updateSizes() {
    if (m_picture) {
        m_height = pictures::PixelsFromHimetric(m_picture->himetricHeight);
        m_width = pictures::PixelsFromHimetric(m_picture->himetricWidth);
    } else {
        m_height = 0;
        m_width = 0;
    }
}

int CPicture::Draw(QPainter* dc, int x, int y, int width, int height, int growX, int growY) {
    if (!dc || !dc->isActive() || !dc->device() || !m_picture)
        return 0;
    const int32_t w = m_picture->himetricWidth;
    const int32_t h = m_picture->himetricHeight;
    const int32_t pw = pictures::PixelsFromHimetric(w, dc->device()->logicalDpiX());
    const int32_t ph = pictures::PixelsFromHimetric(h, dc->device()->logicalDpiY());
    const int64_t targetWidth = int64_t(width) + int64_t(pw) * growX;
    const int64_t targetHeight = int64_t(height) + int64_t(ph) * growY;
    // Growth factors large enough to overflow, or a negative rectangle, cannot be rendered.
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    if (targetWidth < 0 || targetHeight < 0 || targetWidth > kMax || targetHeight > kMax) {
        pictureError(kNoMemoryText);
        return 0;
    }
    dc->drawImage(QRect(x, y, int(targetWidth), int(targetHeight)), m_picture->image);
    return 1;
}
