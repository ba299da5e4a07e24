#include "colorformview.h"

#include "ui/mainframe.h"

#include <QApplication>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

CColorFormView::CColorFormView(int templateId, QSize templateSize, const QString& fontFamily, int fontPoints,
                               QWidget* parent)
    : CView(templateId, parent),
      // The system colour is read once: a later change of the desktop palette does not reach an
      // existing view, only the next one.
      m_backColor(QApplication::palette().color(QPalette::Active, QPalette::Button)),
      m_backBrush(m_backColor),
      m_templateSize(templateSize),
      m_units(ui::DialogUnits::TemplateFont(fontFamily, fontPoints)) {
    setFont(ui::DialogUnits::TemplateFont(fontFamily, fontPoints));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CColorFormView::SetBackColor(const QColor& color) {
    m_backColor = color;
    m_backBrush = QBrush(color);
    return true;
}

void CColorFormView::Place(QWidget* control, int x, int y, int width, int height) const {
    control->setGeometry(m_units.ToPixels(x, y, width, height));
}

QSize CColorFormView::FormSize() const {
    QRect area(QPoint(0, 0), m_units.ToPixels(m_templateSize.width(), m_templateSize.height()));
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue;
        // An anchored control counts with its template rectangle, not the grown one.
        QRect at = widget->geometry();
        for (const Anchored& a : m_anchored)
            if (a.control == widget)
                at = a.base;
        area = area.united(at);
    }
    return area.size();
}

void CColorFormView::SetAnchor(QWidget* control, int anchors) {
    m_anchored.push_back({control, control->geometry(), anchors});
}

bool CColorFormView::IsDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < 128;
}

void CColorFormView::resizeEvent(QResizeEvent* event) {
    CView::resizeEvent(event);
    const QSize form = FormSize();
    const int dx = std::max(0, width() - form.width());
    const int dy = std::max(0, height() - form.height());
    for (const Anchored& a : m_anchored) {
        if (!a.control)
            continue;
        QRect at = a.base;
        at.translate((a.anchors & MoveX) ? dx : 0, (a.anchors & MoveY) ? dy : 0);
        at.setWidth(at.width() + ((a.anchors & GrowX) ? dx : 0));
        at.setHeight(at.height() + ((a.anchors & GrowY) ? dy : 0));
        a.control->setGeometry(at);
    }
}

void CColorFormView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The whole client rectangle, not just the damaged part, so no stale strip survives a resize.
    painter.fillRect(rect(), m_backBrush);
}

void CColorFormView::FitParentFrame() {
    if (auto* frame = qobject_cast<CMainFrame*>(window()))
        frame->FitToFormOnce(FormSize());
}
