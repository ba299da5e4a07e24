#include "phonebookview.h"

#include "phonebookleft.h"
#include "phonebookright.h"
#include "ui/ids.h"
#include "ui/mainframe.h"

#include <QSplitter>
#include <QStyle>

#include <algorithm>

namespace phonebook {
CMainFrame* FrameOf(const QWidget* widget) { return widget ? qobject_cast<CMainFrame*>(widget->window()) : nullptr; }
} // namespace phonebook

CPhonebookView::CPhonebookView(QWidget* parent) : CView(ui::VIEW_PHONEBOOK, parent) {
    setObjectName(QStringLiteral("phonebookView"));
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_wndSplitter->setObjectName(QStringLiteral("splitter%1").arg(ui::AFX_IDW_PANE_FIRST));
    m_wndSplitter->setChildrenCollapsible(false);
    m_left = new CPhonebookLeft(m_wndSplitter);
    m_right = new CPhonebookRight(m_wndSplitter);
    m_wndSplitter->addWidget(m_left);
    m_wndSplitter->addWidget(m_right);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({150, 400});
}

void CPhonebookView::OnInitialUpdate() {
    m_left->OnInitialUpdate();
    m_right->OnInitialUpdate();
    m_left->SetList(m_right);
    m_right->SetTree(m_left);
    // 150 pixels fit the labels in the platform's small dialog font; a larger desktop font gets
    // what its labels need, so "Memory Phonebook" is never cut short.
    const int e = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int labels = m_left->LabelsWidth() + e;
    m_wndSplitter->setSizes({std::max(150, labels), 400});
}

void CPhonebookView::resizeEvent(QResizeEvent* event) {
    CView::resizeEvent(event);
    // The panes' outer edges would double the frame's own; they sit one border width outside.
    const int e = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    m_wndSplitter->setGeometry(-e, -e, width() + 2 * e, height() + 2 * e);
}

bool CPhonebookView::HandlesCommand(int commandId) const {
    return CPhonebookRight::HandlesEntryCommand(commandId) || CView::HandlesCommand(commandId);
}

void CPhonebookView::OnCommand(int commandId) {
    if (CPhonebookRight::HandlesEntryCommand(commandId))
        m_right->OnCommand(commandId);
    else
        CView::OnCommand(commandId);
}
