#include "elidinglabel.h"

#include <QResizeEvent>

#include <algorithm>

CElidingLabel::CElidingLabel(const QString& text, QWidget* parent) : QLabel(parent) {
    // The bar gives the label what room there is; the text adapts, not the window.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
    SetFullText(text);
}

void CElidingLabel::SetFullText(const QString& text) {
    // One line only: a phone's reason may carry a line break that would push the rest out of sight.
    m_fullText = text;
    elide();
}

QSize CElidingLabel::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

QSize CElidingLabel::sizeHint() const { return {0, QLabel::sizeHint().height()}; }

void CElidingLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    elide();
}

void CElidingLabel::elide() {
    QString oneLine = m_fullText;
    oneLine.replace(u'\n', u' ').replace(u'\r', u' ');
    const int room = contentsRect().width() - 2 * margin() - 2 * std::max(0, indent());
    const QString shown = room > 0 ? fontMetrics().elidedText(oneLine, Qt::ElideMiddle, room) : oneLine;
    QLabel::setText(shown);
    setToolTip(shown == m_fullText ? QString() : m_fullText);
}
