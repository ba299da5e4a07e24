#include "imageview.h"

#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/pictures/imageleft.h"
#include "ui/pictures/picturepane.h"
#include "ui/statussink.h"

#include <QResizeEvent>
#include <QSplitter>
#include <QStyle>

namespace {
constexpr int kLeftPaneWidth = 150;
}

CImageView::CImageView(const pictures::RightPaneFactory& rightPane, QWidget* parent)
    : CView(ui::VIEW_PICTURES, parent) {
    setObjectName(QStringLiteral("imageView"));
    m_wndSplitter = new QSplitter(Qt::Horizontal, this);
    m_wndSplitter->setObjectName(QStringLiteral("imageSplitter"));
    m_wndSplitter->setChildrenCollapsible(false);
    m_left = new CImageLeft;
    CPicturePane* right = rightPane ? rightPane() : nullptr;
    m_right = right ? right : new CPicturePane;
    m_wndSplitter->addWidget(m_left);
    m_wndSplitter->addWidget(m_right);
    m_wndSplitter->setStretchFactor(0, 0);
    m_wndSplitter->setStretchFactor(1, 1);
    m_wndSplitter->setSizes({kLeftPaneWidth, 0});
}

int CImageView::edgeWidth() const {
    // The panes' own frame edge: pushing it outside the view hides the splitter's outer border.
    return m_left ? m_left->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_left) : 2;
}

void CImageView::resizeEvent(QResizeEvent* event) {
    CView::resizeEvent(event);
    const int e = edgeWidth();
    m_wndSplitter->setGeometry(-e, -e, event->size().width() + 2 * e, event->size().height() + 2 * e);
    m_wndSplitter->update();
}

void CImageView::OnInitialUpdate() {
    m_left->OnInitialUpdate();
    m_right->OnInitialUpdate();
    m_left->SetRightPane(m_right);
    m_right->SetLeftPane(m_left);
    m_wndSplitter->setSizes({kLeftPaneWidth, qMax(width() - kLeftPaneWidth, 1)});
    const QString problem = m_left->FolderProblem();
    if (!problem.isEmpty())
        if (auto* status = dynamic_cast<ui::StatusSink*>(window()))
            status->SetStatusText(QStringLiteral("No pictures listed: %1.").arg(problem).toStdString());
}

bool CImageView::HandlesCommand(int commandId) const {
    return commandId == ui::ID_UPLOAD_PICTURE && m_right && m_right->CanUpload();
}

void CImageView::OnCommand(int commandId) {
    if (!HandlesCommand(commandId))
        return;
    // The tree's handler wraps the upload in the wait cursor; the form's own does not.
    QWidget* focus = focusWidget();
    if (m_left && focus && (focus == m_left || m_left->isAncestorOf(focus)))
        m_left->OnUpload();
    else
        m_right->OnUpload();
}

namespace pictures {

void RegisterImageView(RightPaneFactory rightPane) {
    CMainFrame::RegisterViewFactory(ui::VIEW_PICTURES, [rightPane](const ui::ViewArgs&) -> CView* {
        return new CImageView(rightPane);
    });
}

} // namespace pictures
