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

void CPicturePane::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!m_preview.HasPicture())
        return;
    QPainter painter(this);
    m_preview.Draw(&painter, 0, 0, m_preview.Width(), m_preview.Height(), 0, 0);
}
