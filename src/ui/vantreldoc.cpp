#include "vantreldoc.h"

#include <QFile>
#include <QFileInfo>

bool CVantrelDoc::OnNewDocument() {
    m_pathName.clear();
    return true;
}

bool CVantrelDoc::OnOpenDocument(const QString& path, QString* error) {
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open \"%1\": %2")
                         .arg(path, QFileInfo(path).isDir() ? QStringLiteral("it is a folder") : file.errorString());
        return false;
    }
    m_pathName = path;
    return true;
}

bool CVantrelDoc::OnSaveDocument(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("Cannot save \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    m_pathName = path;
    return true;
}
