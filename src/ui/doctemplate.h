#pragma once
// The single-document template: it joins the empty document, the main frame and the start view,
// creating all three the first time a document is opened and reusing them afterwards.
#include <QString>

#include <memory>

class CMainFrame;
class CVantrelDoc;

class CSingleDocTemplate {
public:
    explicit CSingleDocTemplate(int resourceId);
    ~CSingleDocTemplate();

    // An empty path makes a new document. False (with a reason) when the frame cannot be built
    // or the file cannot be opened; a frame made by this very call is then destroyed again.
    bool OpenDocumentFile(const QString& path, QString* error);

    CMainFrame* Frame() const { return m_frame.get(); }
    CVantrelDoc* Document() const { return m_document.get(); }
    // Field n of string 128: 0 window title, 2 new-file name, 5 file type id, 6 file type name.
    QString DocString(int field) const;

private:
    int m_resourceId;
    std::unique_ptr<CVantrelDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
};
