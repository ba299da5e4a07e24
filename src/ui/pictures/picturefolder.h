#pragma once
// Where the picture browser finds its pictures: the folder named by the registry value "Dir"
// under HKEY_LOCAL_MACHINE\SOFTWARE\Dunmere\Harlune, with one subfolder per phone model.
#include <QString>
#include <QStringList>

namespace pictures {

// For messages: where the folder setting is looked for.
extern const char kPictureDirSetting[]; // HKEY_LOCAL_MACHINE\SOFTWARE\Dunmere\Harlune, "Dir"

struct PictureDir {
    bool ok = false;
    QString path;    // without a trailing separator; only meaningful when ok
    QString problem; // why it could not be read, when not ok
};

// Reads the value one key level at a time. A value that is missing, not text, empty, or longer
// than the 255 characters it was always limited to is "not read": a cut-off path must never be
// listed as if it were the folder.
PictureDir ReadPictureDir();

// The tree's order: case-insensitive, with a case-sensitive tie-break so that the order is the
// same whatever order the names came in.
bool PictureNameLess(const QString& a, const QString& b);

// The entries of a folder as they will be listed: "." and ".." dropped, sorted.
QStringList ListedEntries(QStringList names);

struct ModelFolder {
    bool exists = false;
    QStringList entries; // sorted, every file and subfolder of the folder itself
};
// One level only: a subfolder is an entry, its contents are not.
ModelFolder ReadModelFolder(const QString& folder);

} // namespace pictures
