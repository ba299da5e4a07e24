#include "picturepane.h"

#include "ui/dialogunits.h"
#include "ui/pictures/imageleft.h"

#include <QPainter>
#include <QPaintEvent>

namespace {
// Form 154: an empty form of 188 x 98 dialog units in the 10-point system font.
constexpr int kFormWidthDlu = 188;
constexpr int kFormHeightDlu = 98;
} // namespace

CPicturePane::CPicturePane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("imageRight"));
    setAccessibleName(QStringLiteral("Picture preview"));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

CPicturePane::~CPicturePane() = default;

void CPicturePane::SetLeftPane(CImageLeft* left) { m_pLeftPane = left; }

CImageLeft* CPicturePane::LeftPane() const { return m_pLeftPane; }

QSize CPicturePane::sizeHint() const {
    return ui::DialogUnits(ui::DialogUnits::TemplateFont(QStringLiteral("System"), 10))
        .ToPixels(kFormWidthDlu, kFormHeightDlu);
}

void CPicturePane::SetPicture(const QString& path) {
    m_picturePath = path;
    // Loading at selection rather than in the paint keeps a failing file from raising its
    // message box again each time the box itself uncovers the pane.
    m_preview.LoadFile(path);
    repaint();
    emit PictureChanged(path);
}

QRect CPicturePane::PreviewRect() const {
    if (!m_preview.HasPicture())
        return {};
    const QRect room = rect().adjusted(0, 0, 0, -2 * fontMetrics().height());
    const QSize natural(m_preview.Width(), m_preview.Height());
    // Down to fit, never up: a small icon stays sharp at its own size.
    QSize shown = natural;
    if (shown.width() > room.width() || shown.height() > room.height())
        shown = natural.scaled(room.size().expandedTo(QSize(1, 1)), Qt::KeepAspectRatio);
    return QRect(QPoint(0, 0), shown.expandedTo(QSize(1, 1)));
}

void CPicturePane::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    const int line = fontMetrics().height();
    if (!m_preview.HasPicture()) {
        if (!m_preview.Problem().isEmpty())
            painter.drawText(rect().adjusted(line / 2, line / 2, -line / 2, 0), Qt::TextWordWrap | Qt::AlignTop,
                             m_preview.Problem());
        return;
    }
    const QRect at = PreviewRect();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_preview.Draw(&painter, at.x(), at.y(), at.width(), at.height(), 0, 0);
    const int percent = m_preview.Width() > 0 ? int(qRound(100.0 * at.width() / m_preview.Width())) : 100;
    painter.drawText(QRect(0, at.bottom() + line / 2, width(), line), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("%1 x %2 pixels, shown at %3 %").arg(m_preview.Width()).arg(m_preview.Height()).arg(percent));
}
