#pragma once
// The reply composer: the text for one conversation, with a line that says how many messages it
// goes as. The dialog only collects the text; the view sends it.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class CComposerDlg : public QDialog {
    Q_OBJECT
public:
    CComposerDlg(const QString& recipient, QWidget* parent = nullptr);

    QString Text() const;
    QPlainTextEdit* TextEdit() const { return m_text; }
    QLabel* PartsLabel() const { return m_parts; }
    QPushButton* SendButton() const { return m_send; }

    // "Goes as one message.", "Goes as 3 messages (sent one after the other).", or why it
    // cannot go.
    static QString PartsText(const QString& text);

private:
    void UpdateParts();

    QPlainTextEdit* m_text;
    QLabel* m_parts;
    QPushButton* m_send;
};
