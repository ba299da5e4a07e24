#include "picturefolder.h"

#include "filebytes.h"
#include "platform/registry.h"

#include <dirent.h>

#include <algorithm>
#include <cstring>

namespace pictures {

const char kPictureDirSetting[] = "the value \"Dir\" under HKEY_LOCAL_MACHINE\\SOFTWARE\\Dunmere\\Harlune";

namespace {

// Closes whatever handle it holds however the function is left.
struct Key {
    platform::HKEY handle = nullptr;
    ~Key() {
        if (handle)
            platform::RegCloseKey(handle);
    }
};

} // namespace

PictureDir ReadPictureDir() {
    PictureDir result;
    const QString missing = QStringLiteral("the picture folder is not set (%1 is missing)")
                                .arg(QString::fromLatin1(kPictureDirSetting));
    Key software, maker, product;
    if (platform::RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, "SOFTWARE", 0, platform::kKeyAllAccess,
                               &software.handle) != platform::kErrorSuccess ||
        platform::RegOpenKeyEx(software.handle, "Dunmere", 0, platform::kKeyAllAccess, &maker.handle) !=
            platform::kErrorSuccess ||
        platform::RegOpenKeyEx(maker.handle, "Harlune", 0, platform::kKeyAllAccess, &product.handle) !=
            platform::kErrorSuccess) {
        result.problem = missing;
        return result;
    }
    char buffer[256] = {};
    uint32_t type = 0;
    uint32_t size = sizeof buffer;
    const long rc = platform::RegQueryValueEx(product.handle, "Dir", nullptr, &type,
                                              reinterpret_cast<uint8_t*>(buffer), &size);
    if (rc == platform::kErrorMoreData) {
        result.problem = QStringLiteral("the picture folder named by %1 is longer than 255 characters")
                             .arg(QString::fromLatin1(kPictureDirSetting));
        return result;
    }
    if (rc != platform::kErrorSuccess) {
        result.problem = missing;
        return result;
    }
    if (type != platform::kRegSz) {
        result.problem = QStringLiteral("%1 is not text").arg(QString::fromLatin1(kPictureDirSetting));
        return result;
    }
    const size_t length = strnlen(buffer, size);
    if (length == 0 || length > 255) {
        result.problem = length == 0 ? QStringLiteral("%1 is empty").arg(QString::fromLatin1(kPictureDirSetting))
                                     : QStringLiteral("the picture folder named by %1 is longer than 255 characters")
                                           .arg(QString::fromLatin1(kPictureDirSetting));
        return result;
    }
    result.path = QString::fromUtf8(buffer, qsizetype(length));
    result.ok = true;
    return result;
}

bool PictureNameLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

QStringList ListedEntries(QStringList names) {
    names.removeIf([](const QString& name) { return name == u"." || name == u".."; });
    std::sort(names.begin(), names.end(), PictureNameLess);
    return names;
}

ModelFolder ReadModelFolder(const QString& folder) {
    ModelFolder result;
    // Read as bytes: a name that is not UTF-8 is still listed, and still opens (filebytes.h).
    DIR* dir = ::opendir(EncodeFileName(folder).constData());
    if (!dir)
        return result;
    result.exists = true;
    QStringList names;
    // Every entry of any type, hidden ones and dangling links too.
    while (const dirent* entry = ::readdir(dir))
        names << DecodeFileName(QByteArray(entry->d_name));
    ::closedir(dir);
    result.entries = ListedEntries(std::move(names));
    return result;
}

} // namespace pictures
