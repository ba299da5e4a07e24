#include "elidinglabel.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QTextLayout>
#include <QToolTip>

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

void CElidingLabel::mousePressEvent(QMouseEvent* event) {
    // The whole outcome one click away when the two lines could not hold it.
    if (IsElided() && event->button() == Qt::LeftButton)
        QToolTip::showText(event->globalPosition().toPoint(), m_fullText, this);
    QLabel::mousePressEvent(event);
}

QString CElidingLabel::ShownText(const QString& text, const QFont& font, int room, int maxLines) {
    const QFontMetrics metrics(font);
    QString flat = text;
    flat.replace(u'\n', u' ').replace(u'\r', u' ');
    if (room <= 0 || maxLines < 1)
        return flat;
    QTextLayout layout(flat, font);
    QStringList lines;
    layout.beginLayout();
    int consumed = 0;
    while (lines.size() < maxLines - 1) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(room);
        lines << flat.mid(line.textStart(), line.textLength()).trimmed();
        consumed = line.textStart() + line.textLength();
    }
    layout.endLayout();
    const QString rest = flat.mid(consumed).trimmed();
    if (!rest.isEmpty())
        lines << metrics.elidedText(rest, Qt::ElideMiddle, room);
    return lines.join(u'\n');
}

void CElidingLabel::elide() {
    const int room = contentsRect().width() - 2 * margin() - 2 * std::max(0, indent());
    const QString shown = ShownText(m_fullText, font(), room, kMaxLines);
    QLabel::setText(shown);
    QString flat = shown;
    m_elided = flat.replace(u'\n', u' ').simplified() != QString(m_fullText).replace(u'\n', u' ').replace(u'\r', u' ').simplified();
    setToolTip(m_elided ? m_fullText : QString());
}
