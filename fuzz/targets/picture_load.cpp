#include "fuzzinput.h"
#include "ui/pictures/picture.h"
#include "ui/pictures/picturemessages.h"

#include <QGuiApplication>

// A picture file someone hands the upload form: whatever its bytes, the format is told from its
// start and decoding stays within the memory limit; the sizes of a loaded picture are positive.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // the GIF and JPEG readers are plug-ins
    pictures::SetMessageBoxHook([](const pictures::MessageBoxText&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray format = pictures::SniffPictureFormat(bytes.left(32));
    CPicture picture;
    const bool loaded = picture.LoadFromMemory(bytes) == 1;
    FUZZ_CHECK(!loaded || !format.isEmpty(), "only a recognised format loads");
    FUZZ_CHECK(!loaded || (picture.Width() > 0 && picture.Height() > 0), "a loaded picture has a size");
    FUZZ_CHECK(loaded || (picture.Width() == 0 && picture.Height() == 0), "a failed load leaves no size");
    return 0;
}
