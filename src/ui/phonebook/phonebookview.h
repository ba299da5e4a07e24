#pragma once
// The phone book view (form 135): the storage tree on the left and the entry list on the right,
// in a splitter whose own outer edge is pushed outside the view so that only the panes' borders
// show.
#include "ui/view.h"

class CPhonebookLeft;
class CPhonebookRight;
class CMainFrame;
class QSplitter;

class CPhonebookView : public CView {
    Q_OBJECT
public:
    explicit CPhonebookView(QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    bool HandlesCommand(int commandId) const override;
    void OnCommand(int commandId) override;

    QSplitter* Splitter() const { return m_wndSplitter; }
    CPhonebookLeft* Left() const { return m_left; }
    CPhonebookRight* Right() const { return m_right; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QSplitter* m_wndSplitter;
    CPhonebookLeft* m_left;
    CPhonebookRight* m_right;
};

namespace phonebook {
// The frame a pane lives in; null for a pane shown on its own.
CMainFrame* FrameOf(const QWidget* widget);
} // namespace phonebook
