#pragma once
// A decoded picture for the upload form's preview: loads GIF, JPEG, BMP or PNG from a file or
// from memory and draws it through a painter. Its sizes follow the HIMETRIC conventions of the
// picture objects the program was written against, so the arithmetic (and its rounding) matches
// what the preview has always shown. Failures the user must hear about are message boxes with
// the caption "CPicture Error"; a file that is simply not a picture fails silently.
#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>

class QPainter;

namespace pictures {
// Largest picture file read into memory, and the most a decoded picture may take. A phone's
// picture is a few kilobytes; the limits only keep a corrupt or hostile file from exhausting
// memory.
constexpr int64_t kMaxPictureFileBytes = 16 * 1024 * 1024;
constexpr int kDecodeLimitMegabytes = 64;

// "gif", "jpeg", "bmp" or "png" from a file's first bytes; empty for anything else.
QByteArray SniffPictureFormat(const QByteArray& head);

extern const char kPictureCaption[]; // "CPicture Error"
} // namespace pictures

class CPicture {
public:
    CPicture();
    virtual ~CPicture();
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    // 1 when the file holds a picture that decoded, else 0 (with a message box only when the
    // file could not be opened or read, or memory would run short).
    int LoadFile(const QString& path);
    // Nonzero when the bytes decoded into a picture, which replaces the one held; 0 otherwise,
    // and then no picture is held.
    int LoadFromMemory(const QByteArray& bytes);
    // Draws the picture with its top-left corner at (x, y) into a rectangle of width + gx by
    // height + gy pixels, gx and gy being the picture's size on the painter's device times the
    // growth factors. 1 when drawn; 0 without a painter or a picture (no message).
    int Draw(QPainter* dc, int x, int y, int width, int height, int growX, int growY);
    void Clear();

    bool HasPicture() const { return m_picture != nullptr; }
    // Pixels at 96 per inch.
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    uint32_t FileSize() const { return m_fileSize; }
    int32_t HimetricWidth() const;
    int32_t HimetricHeight() const;
    QImage Image() const;
    // Why the last load gave no picture, as a sentence for the pane ("The file is not a
    // picture..."); empty after a good load or an empty file.
    QString Problem() const { return m_problem; }

private:
    struct Decoded;
    bool decode(const QByteArray& bytes);
    void updateSizes();

    std::unique_ptr<Decoded> m_picture;
    int32_t m_height = 0;
    uint32_t m_fileSize = 0;
    int32_t m_width = 0;
    QString m_problem;
};
