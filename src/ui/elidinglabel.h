#pragma once
// A one-line label that never widens its window: a text wider than the label is shortened in the
// middle with "…" (the start says what happened, the end usually carries the phone's reason), and
// the whole text goes into the tool tip so nothing is lost.
#include <QLabel>

class CElidingLabel : public QLabel {
    Q_OBJECT
public:
    explicit CElidingLabel(const QString& text, QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    QString FullText() const { return m_fullText; }
    bool IsElided() const { return text() != m_fullText; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString m_fullText;
};
