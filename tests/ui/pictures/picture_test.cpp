// The picture loader and the plain helpers of the browser and the upload, without windows.
#include "bluetooth/upload/uploadchunks.h"
#include "picturetestsupport.h"
#include "platform/registry.h"
#include "ui/pictures/filebytes.h"
#include "ui/pictures/himetric.h"
#include "ui/pictures/picture.h"
#include "ui/pictures/picturefolder.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>

#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

#include <algorithm>
#include <sys/stat.h>

using picturetest::EncodePicture;
using picturetest::MessageRecorder;
using picturetest::WriteFile;

namespace {

// ---- MulDiv and HIMETRIC ------------------------------------------------------------------

struct MulDivRow {
    const char* what;
    int32_t number, numerator, denominator, expected;
};

class MulDivTest : public testing::TestWithParam<MulDivRow> {};

// CTest names carry the printed row: its words, not its bytes.
void PrintTo(const MulDivRow& c, std::ostream* os) {
    *os << (std::string_view(c.what).empty() ? "(empty)" : c.what);
}

TEST_P(MulDivTest, RoundsHalvesAwayFromZero) {
    const MulDivRow& row = GetParam();
    EXPECT_EQ(pictures::MulDiv(row.number, row.numerator, row.denominator), row.expected) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, MulDivTest,
    testing::Values(MulDivRow{"one inch at 96 dpi", 2540, 96, 2540, 96},
                    MulDivRow{"half an inch", 1270, 96, 2540, 48},
                    MulDivRow{"exact half rounds up", 5, 1, 2, 3},
                    MulDivRow{"negative half rounds away from zero", -5, 1, 2, -3},
                    MulDivRow{"negative denominator", 5, 1, -2, -3},
                    MulDivRow{"just below half rounds down", 1, 2540, 5080 + 1, 0},
                    MulDivRow{"64-bit intermediate", 2000000000, 3, 4, 1500000000},
                    MulDivRow{"result too large", 2000000000, 2, 1, -1},
                    MulDivRow{"smallest 32-bit result fits", -2147483647 - 1, 1, 1, -2147483647 - 1},
                    MulDivRow{"division by zero", 7, 3, 0, -1}),
    [](const testing::TestParamInfo<MulDivRow>& info) { return "row" + std::to_string(info.index); });

TEST(Himetric, PixelSizesSurviveTheRoundTripAt96Dpi) {
    for (int pixels : {1, 7, 48, 96, 101, 333, 4095}) {
        const int32_t himetric = pictures::HimetricFromPixels(pixels);
        EXPECT_EQ(pictures::PixelsFromHimetric(himetric), pixels) << pixels;
    }
    EXPECT_EQ(pictures::HimetricFromPixels(96), 2540);
    EXPECT_EQ(pictures::PixelsFromHimetric(2540, 192), 192);
}

// ---- CPicture ----------------------------------------------------------------------------

class PictureTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString write(const QString& name, const QByteArray& bytes) { return WriteFile(dir.path(), name, bytes); }
    QTemporaryDir dir;
    MessageRecorder recorder;
};

TEST_F(PictureTest, HimetricSizeBecomesPixelsAt96Dpi) {
    CPicture picture;
    ASSERT_EQ(picture.LoadFile(write("a.png", EncodePicture(96, 48, "PNG"))), 1);
    EXPECT_EQ(picture.HimetricWidth(), 2540);
    EXPECT_EQ(picture.HimetricHeight(), 1270);
    EXPECT_EQ(picture.Width(), 96);
    EXPECT_EQ(picture.Height(), 48);
    EXPECT_EQ(picture.FileSize(), uint32_t(QFileInfo(dir.path() + "/a.png").size()));
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(PictureTest, EachShippedFormatDecodes) {
    // The formats the phones take; GIF is read-only here, so the shipped pictures stand in.
    for (const char* format : {"PNG", "BMP", "JPEG"}) {
        CPicture picture;
        EXPECT_EQ(picture.LoadFile(write(QStringLiteral("p.") + format, EncodePicture(20, 10, format))), 1) << format;
        EXPECT_EQ(picture.Width(), 20) << format;
    }
    for (const QString& model : {QStringLiteral("T39"), QStringLiteral("T68")}) {
        const QDir folder(QStringLiteral(HARLUNE_PICTURE_DIR) + u'/' + model);
        const QStringList names = folder.entryList(QDir::Files);
        EXPECT_FALSE(names.isEmpty()) << model.toStdString();
        for (const QString& name : names) {
            CPicture picture;
            EXPECT_EQ(picture.LoadFile(folder.filePath(name)), 1) << name.toStdString();
        }
    }
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(PictureTest, SecondLoadReplacesFirstAndFailedLoadLeavesNothing) {
    CPicture picture;
    ASSERT_EQ(picture.LoadFile(write("big.png", EncodePicture(96, 48, "PNG"))), 1);
    ASSERT_EQ(picture.LoadFile(write("small.bmp", EncodePicture(10, 5, "BMP"))), 1);
    EXPECT_EQ(picture.Width(), 10);
    EXPECT_EQ(picture.Height(), 5);
    EXPECT_EQ(picture.Image().size(), QSize(10, 5));

    EXPECT_EQ(picture.LoadFile(write("text.gif", "not a picture at all")), 0);
    EXPECT_FALSE(picture.HasPicture());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_EQ(picture.Height(), 0);
    EXPECT_EQ(picture.FileSize(), 20u);
    // A file that opens but does not decode is not worth a message.
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(PictureTest, UndecodableContentFailsSilently) {
    QByteArray png = EncodePicture(30, 30, "PNG");
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"empty file", {}},
        {"truncated PNG", png.left(40)},
        {"PNG signature only", png.left(8)},
        {"JPEG marker and garbage", QByteArray("\xFF\xD8\xFF\xE0garbage", 11)},
        {"bitmap header without pixels", QByteArray("BM").append(QByteArray(30, '\0'))},
        {"text", "GIF89 is not enough"},
    };
    for (const auto& row : rows) {
        CPicture picture;
        EXPECT_EQ(picture.LoadFile(write("x", row.bytes)), 0) << row.name;
        EXPECT_EQ(picture.Width(), 0) << row.name;
    }
    EXPECT_TRUE(recorder.messages.isEmpty());
}

TEST_F(PictureTest, FileThatCannotBeOpenedIsReportedWithCauseAndName) {
    ASSERT_EQ(::mkfifo((dir.path() + "/pipe").toLocal8Bit().constData(), 0600), 0);
    QDir(dir.path()).mkdir("sub");
    const struct {
        QString path;
        const char* cause;
    } rows[] = {
        {dir.path() + "/missing.gif", "No such file"},
        {dir.path() + "/sub", "folder"},
        // A named pipe must not hang the preview waiting for a writer.
        {dir.path() + "/pipe", "not a regular file"},
    };
    for (const auto& row : rows) {
        recorder.messages.clear();
        CPicture picture;
        EXPECT_EQ(picture.LoadFile(row.path), 0);
        EXPECT_EQ(picture.FileSize(), 0u);
        ASSERT_EQ(recorder.messages.size(), 1) << row.cause;
        EXPECT_EQ(recorder.messages[0].caption, "CPicture Error");
        EXPECT_EQ(recorder.messages[0].icon, pictures::MessageIcon::Error);
        EXPECT_TRUE(recorder.messages[0].text.contains(row.path)) << recorder.messages[0].text.toStdString();
        EXPECT_TRUE(recorder.messages[0].text.contains(row.cause)) << recorder.messages[0].text.toStdString();
    }
}

TEST_F(PictureTest, HugePicturesAreRefusedWithTheMemoryMessage) {
    // A 1 x 1 GIF whose screen and image claim 30000 x 30000 pixels: decoding would take
    // gigabytes for a file of a few bytes.
    QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00"
                   "\x21\xF9\x04\x01\x00\x00\x00\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00"
                   "\x02\x02\x44\x01\x00\x3B",
                   43);
    {
        CPicture small;
        ASSERT_EQ(small.LoadFromMemory(gif), 1) << "the unpatched picture decodes";
    }
    for (int at : {6, 8, 32, 34}) {
        gif[at] = char(30000 & 0xFF);
        gif[at + 1] = char(30000 >> 8);
    }
    CPicture picture;
    EXPECT_EQ(picture.LoadFile(write("huge.gif", gif)), 0);
    EXPECT_FALSE(picture.HasPicture());
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_EQ(recorder.messages[0].text, "The picture is too large to show (30000 x 30000 pixels).");

    recorder.messages.clear();
    QByteArray big(qsizetype(pictures::kMaxPictureFileBytes + 1), '\0');
    EXPECT_EQ(picture.LoadFile(write("big.bin", big)), 0);
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_EQ(recorder.messages[0].text, "The file is too large to show (16.0 MB); pictures of up to 16 MB can be shown.");
    EXPECT_EQ(picture.Problem(), recorder.messages[0].text);
    EXPECT_EQ(recorder.messages[0].caption, "CPicture Error");
}

TEST_F(PictureTest, LoadFromMemoryReportsOnlyRealSuccess) {
    CPicture picture;
    EXPECT_NE(picture.LoadFromMemory(EncodePicture(12, 6, "PNG")), 0);
    EXPECT_EQ(picture.Width(), 12);
    // Failure is failure, and the earlier picture's size does not linger.
    EXPECT_EQ(picture.LoadFromMemory("garbage"), 0);
    EXPECT_FALSE(picture.HasPicture());
    EXPECT_EQ(picture.Width(), 0);
}

TEST_F(PictureTest, DrawWithoutPictureOrPainterReturnsZero) {
    CPicture empty;
    QImage target(10, 10, QImage::Format_RGB32);
    QPainter painter(&target);
    EXPECT_EQ(empty.Draw(&painter, 0, 0, 10, 10, 0, 0), 0);
    CPicture loaded;
    ASSERT_NE(loaded.LoadFromMemory(EncodePicture(4, 4, "PNG")), 0);
    EXPECT_EQ(loaded.Draw(nullptr, 0, 0, 4, 4, 0, 0), 0);
    EXPECT_TRUE(recorder.messages.isEmpty());
}

// Paints onto a white target of the given resolution and returns the bounding box of red.
QRect drawnRect(CPicture& picture, int dpi, int x, int y, int w, int h, int gx, int gy) {
    QImage target(300, 300, QImage::Format_RGB32);
    target.setDotsPerMeterX(qRound(dpi / 0.0254));
    target.setDotsPerMeterY(qRound(dpi / 0.0254));
    target.fill(Qt::white);
    {
        QPainter painter(&target);
        EXPECT_EQ(picture.Draw(&painter, x, y, w, h, gx, gy), 1);
    }
    QRect box;
    for (int py = 0; py < target.height(); ++py)
        for (int px = 0; px < target.width(); ++px)
            if (target.pixel(px, py) != qRgb(255, 255, 255))
                box |= QRect(px, py, 1, 1);
    return box;
}

TEST_F(PictureTest, DrawFillsExactlyTheGivenRectangleWhateverTheResolution) {
    CPicture picture;
    ASSERT_NE(picture.LoadFromMemory(EncodePicture(20, 10, "PNG")), 0);
    for (int dpi : {72, 96, 192})
        EXPECT_EQ(drawnRect(picture, dpi, 5, 7, 20, 10, 0, 0), QRect(5, 7, 20, 10)) << dpi;
    // Growth adds the picture's size on the device: 20 x 10 at 96 dpi is 40 x 20 at 192.
    EXPECT_EQ(drawnRect(picture, 192, 0, 0, 20, 10, 1, 2), QRect(0, 0, 60, 50));
}

TEST_F(PictureTest, DrawRefusesGrowthThatOverflows) {
    CPicture picture;
    ASSERT_NE(picture.LoadFromMemory(EncodePicture(20, 10, "PNG")), 0);
    QImage target(10, 10, QImage::Format_RGB32);
    QPainter painter(&target);
    EXPECT_EQ(picture.Draw(&painter, 0, 0, 20, 10, 2000000000, 0), 0);
    ASSERT_EQ(recorder.messages.size(), 1);
    EXPECT_EQ(recorder.messages[0].text, "Can not allocate enough memory\t");
}

TEST(PictureFormat, SniffedFromContentNotName) {
    EXPECT_EQ(pictures::SniffPictureFormat("GIF89a..."), "gif");
    EXPECT_EQ(pictures::SniffPictureFormat("GIF87a..."), "gif");
    EXPECT_EQ(pictures::SniffPictureFormat(EncodePicture(2, 2, "PNG")), "png");
    EXPECT_EQ(pictures::SniffPictureFormat(EncodePicture(2, 2, "JPEG")), "jpeg");
    EXPECT_EQ(pictures::SniffPictureFormat(EncodePicture(2, 2, "BMP")), "bmp");
    EXPECT_EQ(pictures::SniffPictureFormat("BM"), "");
    // Formats that decoders exist for but phones do not take stay out.
    EXPECT_EQ(pictures::SniffPictureFormat("<svg xmlns='http://www.w3.org/2000/svg'/>"), "");
    EXPECT_EQ(pictures::SniffPictureFormat(EncodePicture(2, 2, "PPM")), "");
}

TEST(FileBytes, ReadsWholeFileAndRefusesOversizedOnes) {
    QTemporaryDir dir;
    const QString path = WriteFile(dir.path(), "f", picturetest::Pattern(1000));
    const pictures::FileBytes whole = pictures::ReadWholeFile(path, 1000);
    EXPECT_EQ(whole.status, pictures::FileReadStatus::Ok);
    EXPECT_EQ(whole.bytes, picturetest::Pattern(1000));
    const pictures::FileBytes over = pictures::ReadWholeFile(path, 999);
    EXPECT_EQ(over.status, pictures::FileReadStatus::TooLarge);
    EXPECT_TRUE(over.bytes.isEmpty());
    EXPECT_TRUE(over.error.contains(path));
    EXPECT_EQ(pictures::ReadWholeFile(QString(), 10).status, pictures::FileReadStatus::OpenFailed);
}

// ---- picture folder ------------------------------------------------------------------------

TEST(PictureFolder, ListingIsSortedWhateverOrderTheNamesCameIn) {
    QStringList names{"b.gif", "..", "A.jpg", "a.jpg", ".", "c.bmp", "B.png", "sub"};
    const QStringList expected{"A.jpg", "a.jpg", "b.gif", "B.png", "c.bmp", "sub"};
    std::sort(names.begin(), names.end());
    do {
        ASSERT_EQ(pictures::ListedEntries(names), expected) << names.join(',').toStdString();
    } while (std::next_permutation(names.begin(), names.end()));
}

TEST(PictureFolder, ReadsOneLevelOfAnyEntry) {
    QTemporaryDir dir;
    for (const char* name : {"z.gif", ".hidden.png", "m.txt"})
        WriteFile(dir.path(), name, "x");
    QDir(dir.path()).mkpath("folder/inner");
    const pictures::ModelFolder listing = pictures::ReadModelFolder(dir.path());
    EXPECT_TRUE(listing.exists);
    EXPECT_EQ(listing.entries, (QStringList{".hidden.png", "folder", "m.txt", "z.gif"}));
    EXPECT_FALSE(pictures::ReadModelFolder(dir.path() + "/none").exists);
}

TEST(PictureFolder, NamesThatAreNotUtf8AreListedShownAndOpened) {
    QTemporaryDir dir;
    // Latin-1 "é", a lone continuation byte, an overlong '/', a cut sequence; and proper UTF-8.
    const std::vector<std::string> raw = {"caf\xE9.jpg", "\x80x.gif", "\xC0\xAF.png", "end\xE2\x82", "\xC3\xA9t\xC3\xA9.bmp"};
    for (const std::string& name : raw) {
        const std::string path = QFile::encodeName(dir.path()).toStdString() + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_TRUE(f) << name;
        std::fputs(name.c_str(), f);
        std::fclose(f);
    }
    const pictures::ModelFolder listing = pictures::ReadModelFolder(dir.path());
    ASSERT_EQ(listing.entries.size(), raw.size());
    QStringList shown;
    for (const QString& entry : listing.entries) {
        shown << pictures::ShownFileName(entry);
        const pictures::FileBytes file = pictures::ReadWholeFile(dir.path() + "/" + entry, 100);
        ASSERT_EQ(file.status, pictures::FileReadStatus::Ok) << file.error.toStdString();
        EXPECT_EQ(pictures::EncodeFileName(entry), file.bytes) << "opened by its own bytes";
    }
    EXPECT_EQ(shown, (QStringList{QString::fromUtf8("caf\xEF\xBF\xBD.jpg"), QString::fromUtf8("end\xEF\xBF\xBD\xEF\xBF\xBD"),
                                  QString::fromUtf8("\xC3\xA9t\xC3\xA9.bmp"), QString::fromUtf8("\xEF\xBF\xBDx.gif"),
                                  QString::fromUtf8("\xEF\xBF\xBD\xEF\xBF\xBD.png")}));
    EXPECT_EQ(pictures::FileSize(dir.path() + "/" + listing.entries[0]), 8);
    for (const std::string& name : raw) // the temporary folder's own clean-up cannot name them
        std::remove((QFile::encodeName(dir.path()).toStdString() + "/" + name).c_str());
}

class PictureDirTest : public testing::Test {
protected:
    static constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dunmere\\Harlune";
    void SetUp() override { platform::Registry::Instance().Clear(); }
    void TearDown() override { platform::Registry::Instance().Clear(); }
};

TEST_F(PictureDirTest, ReadsTheValue) {
    platform::Registry::Instance().SetString(kKey, "Dir", "/srv/pictures");
    const pictures::PictureDir dir = pictures::ReadPictureDir();
    EXPECT_TRUE(dir.ok);
    EXPECT_EQ(dir.path, "/srv/pictures");
}

TEST_F(PictureDirTest, UnreadableValuesAreNeverUsed) {
    platform::Registry& registry = platform::Registry::Instance();
    const struct {
        const char* what;
        std::function<void()> setUp;
    } rows[] = {
        {"no key", [] {}},
        {"key without Dir", [&] { registry.SetString(kKey, "Other", "x"); }},
        {"empty Dir", [&] { registry.SetString(kKey, "Dir", ""); }},
        {"Dir not text", [&] { registry.SetDword(kKey, "Dir", 7); }},
        {"Dir of 300 characters", [&] { registry.SetString(kKey, "Dir", "/" + std::string(299, 'p')); }},
    };
    for (const auto& row : rows) {
        registry.Clear();
        row.setUp();
        const pictures::PictureDir dir = pictures::ReadPictureDir();
        EXPECT_FALSE(dir.ok) << row.what;
        EXPECT_FALSE(dir.problem.isEmpty()) << row.what;
    }
    registry.Clear();
    registry.SetString(kKey, "Dir", "/" + std::string(254, 'p'));
    EXPECT_TRUE(pictures::ReadPictureDir().ok) << "255 characters still fit";
}

// ---- upload chunks and texts ----------------------------------------------------------------

struct ChunkRow {
    qsizetype size;
    std::vector<uint32_t> lengths; // the last one final
};

class ChunkTest : public testing::TestWithParam<ChunkRow> {};

void PrintTo(const ChunkRow& c, std::ostream* os) {
    *os << c.size << " bytes";
}

TEST_P(ChunkTest, CutsIntoAtMost599ByteChunksTheLastFinal) {
    const ChunkRow& row = GetParam();
    const QByteArray bytes = picturetest::Pattern(row.size);
    upload::UploadChunks chunks(bytes);
    QByteArray joined;
    std::vector<uint32_t> lengths;
    while (!chunks.Done()) {
        const upload::Chunk chunk = chunks.Next();
        lengths.push_back(chunk.length);
        EXPECT_EQ(chunk.final, chunks.Done());
        joined.append(reinterpret_cast<const char*>(chunk.data), chunk.length);
        ASSERT_LE(lengths.size(), row.lengths.size());
    }
    EXPECT_EQ(lengths, row.lengths);
    EXPECT_EQ(joined, bytes);
    EXPECT_EQ(chunks.Next().length, 0u) << "nothing after the final chunk";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChunkTest,
                         testing::Values(ChunkRow{0, {0}}, ChunkRow{1, {1}}, ChunkRow{599, {599}},
                                         ChunkRow{600, {599, 1}}, ChunkRow{1198, {599, 599}},
                                         ChunkRow{1199, {599, 599, 1}}),
                         [](const testing::TestParamInfo<ChunkRow>& info) {
                             return "bytes" + std::to_string(info.param.size);
                         });

TEST(UploadText, NamesStepStatusAndResponse) {
    const QString refused = upload::UploadFailureText(upload::UploadStep::Send, OBEX_ERROR_RESPONSE, 0xC3);
    EXPECT_TRUE(refused.contains("sending the picture")) << refused.toStdString();
    EXPECT_TRUE(refused.contains("0xC3 Forbidden")) << refused.toStdString();
    const QString unreachable = upload::UploadFailureText(upload::UploadStep::Connect, OBEX_ERROR_TRANSPORT, 0);
    EXPECT_TRUE(unreachable.contains("connecting to the phone"));
    EXPECT_FALSE(unreachable.contains("response"));
    EXPECT_EQ(upload::DescribeObexResponse(0xCD), "0xCD Request Entity Too Large");
    EXPECT_EQ(upload::DescribeObexResponse(0xEE), "0xEE");
    for (int status = OBEX_SUCCESS; status <= OBEX_ERROR_CANCELLED; ++status)
        EXPECT_FALSE(upload::DescribeObexStatus(tOBEX_ERRORS(status)).startsWith("error")) << status;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
