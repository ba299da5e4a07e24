#pragma once
// Form 151: one SMS to one number. The view collects the two texts and starts the send; the
// phone link encodes and sends. A counter inside the text's group box shows how much of one
// message is left, and Send refuses a text that does not fit instead of letting it be cut.
#include "ui/colorformview.h"

#include <QString>

class CMainFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CSMSView : public CColorFormView {
    Q_OBJECT
public:
    // `number` fills the destination (the phone book's "send SMS to this person").
    explicit CSMSView(QString number = QString(), QWidget* parent = nullptr);

    void OnInitialUpdate() override;
    void OnSend();

    // The message as typed (line breaks as '\n', no-break spaces kept).
    QString MessageText() const;

    QPlainTextEdit* TextEdit() const { return m_textEdit; }
    QLineEdit* NumberEdit() const { return m_numberEdit; }
    QPushButton* SendButton() const { return m_sendButton; }
    QLabel* CounterLabel() const { return m_counter; }

private:
    CMainFrame* Frame() const;
    void SetStatus(const std::string& text);
    void UpdateCounter();

    QString m_smsText;
    QString m_smsNumber;

    QPlainTextEdit* m_textEdit;
    QLineEdit* m_numberEdit;
    QPushButton* m_sendButton;
    QGroupBox* m_destinationGroup;
    QLabel* m_icon;
    QGroupBox* m_textGroup;
    QLabel* m_counter;
};
