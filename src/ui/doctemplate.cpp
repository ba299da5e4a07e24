#include "doctemplate.h"

#include "ui/mainframe.h"
#include "ui/strings.h"
#include "ui/vantreldoc.h"
#include "ui/vantrelview.h"

CSingleDocTemplate::CSingleDocTemplate(int resourceId) : m_resourceId(resourceId) {}

CSingleDocTemplate::~CSingleDocTemplate() {
    // The views point at the document, so the frame (and its views) goes first.
    m_frame.reset();
    m_document.reset();
}

QString CSingleDocTemplate::DocString(int field) const {
    return ui::Strings::Instance().Load(m_resourceId).split(u'\n').value(field);
}

bool CSingleDocTemplate::OpenDocumentFile(const QString& path, QString* error) {
    const bool created = !m_frame;
    if (created) {
        m_document = std::make_unique<CVantrelDoc>();
        m_frame = std::make_unique<CMainFrame>();
        QString why;
        if (!m_frame->OnCreate(&why)) {
            if (error)
                *error = QStringLiteral("The main window could not be created: %1").arg(why);
            m_frame.reset();
            m_document.reset();
            return false;
        }
    }
    const bool ok = path.isEmpty() ? m_document->OnNewDocument() : m_document->OnOpenDocument(path, error);
    if (!ok) {
        if (created) {
            m_frame.reset();
            m_document.reset();
        }
        return false;
    }
    if (created) {
        auto* view = new CVantrelView;
        view->SetDocument(m_document.get());
        m_frame->SetInitialView(view, m_document.get());
    }
    return true;
}
