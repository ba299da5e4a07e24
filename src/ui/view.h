#pragma once
// Base of every view the frame shows in its client area. The frame builds a new view for every
// switch and retires the old one, so a view keeps nothing that must outlive it; what lasts lives
// in the phone link.
#include <QWidget>

class CVantrelDoc;

class CView : public QWidget {
    Q_OBJECT
public:
    explicit CView(int viewId, QWidget* parent = nullptr);

    int ViewId() const { return m_viewId; }
    CVantrelDoc* GetDocument() const { return m_document; }
    void SetDocument(CVantrelDoc* document) { m_document = document; }

    // Runs once, after the view is a child of the frame and before it is shown.
    virtual void OnInitialUpdate() {}

    // Commands this view (or one of its panes) handles. The frame routes a command to the view
    // first, and enables the toolbar's upload button only while the view claims it.
    virtual bool HandlesCommand(int commandId) const;
    virtual void OnCommand(int commandId);

    // The frame's phone link is about to go (another phone is chosen, the frame closes): a view
    // whose worker uses the link waits for it here and starts no more work.
    virtual void OnPhoneLinkGoing() {}

private:
    int m_viewId;
    CVantrelDoc* m_document = nullptr;
};
