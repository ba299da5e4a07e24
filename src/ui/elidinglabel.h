#pragma once
// A label of up to two lines that never widens its window: a text longer than two lines is
// shortened in the middle of its second line with "…" (the start says what happened, the end
// usually carries the phone's reason); the whole text is in the tool tip and shows on a click.
#include <QLabel>

class CElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit CElidingLabel(const QString& text, QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    QString FullText() const { return m_fullText; }
    bool IsElided() const { return m_elided; }

    // What the label shows of `text` in `room` pixels: word-wrapped onto at most maxLines lines,
    // the last shortened in the middle if the rest does not fit.
    static QString ShownText(const QString& text, const QFont& font, int room, int maxLines);
    static constexpr int kMaxLines = 2;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void elide();

    QString m_fullText;
    bool m_elided = false;
};
