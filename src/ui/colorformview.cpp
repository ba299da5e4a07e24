#include "colorformview.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QPainter>

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
    for (QObject* child : children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
            area = area.united(widget->geometry());
    return area.size();
}

void CColorFormView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The whole client rectangle, not just the damaged part, so no stale strip survives a resize.
    painter.fillRect(rect(), m_backBrush);
}

void CColorFormView::FitParentFrame() {
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (!frame)
        return;
    if (frame->layout())
        frame->layout()->activate();
    QWidget* client = frame->centralWidget() ? frame->centralWidget() : this;
    const QSize chrome = frame->size() - client->size();
    frame->resize(frame->size().boundedTo(chrome + FormSize()));
}
