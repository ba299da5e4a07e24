#pragma once
// The document exists only because the program is a single-document application in form: it
// holds no data, so opening a file only checks that it can be read and saving writes no bytes.
#include <QString>

class CVantrelDoc {
public:
    bool OnNewDocument();
    // True when the file can be opened for reading; nothing is read from it.
    bool OnOpenDocument(const QString& path, QString* error);
    // Creates (or empties) the file; nothing is written into it.
    bool OnSaveDocument(const QString& path, QString* error);
    const QString& PathName() const { return m_pathName; }

private:
    QString m_pathName;
};
