#include "composerdlg.h"

#include "phonelink/smspdu.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kMaxParts = 10; // what SendLongSms sends by default
}

CComposerDlg::CComposerDlg(const QString& recipient, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("composerDlg"));
    setWindowTitle(QStringLiteral("Reply"));
    auto* layout = new QVBoxLayout(this);
    auto* to = new QLabel(QStringLiteral("To: %1").arg(recipient), this);
    to->setTextFormat(Qt::PlainText);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("replyText"));
    m_text->setTabChangesFocus(true);
    m_parts = new QLabel(this);
    m_parts->setObjectName(QStringLiteral("replyParts"));
    auto* buttons = new QDialogButtonBox(this);
    m_send = buttons->addButton(QStringLiteral("&Send"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(to);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_parts);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_text, &QPlainTextEdit::textChanged, this, &CComposerDlg::UpdateParts);
    resize(420, 260);
    UpdateParts();
    m_text->setFocus();
}

QString CComposerDlg::Text() const {
    return m_text->toPlainText();
}

QString CComposerDlg::PartsText(const QString& text) {
    if (text.isEmpty())
        return QStringLiteral("Write the reply.");
    const int parts = CountSmsParts(text.toStdString());
    if (parts <= 0)
        return QStringLiteral("This text cannot be sent as a message.");
    if (parts > kMaxParts)
        return QStringLiteral("Too long: %1 messages, at most %2 go as one.")
            .arg(parts)
            .arg(kMaxParts);
    if (parts == 1)
        return QStringLiteral("Goes as one message.");
    return QStringLiteral("Goes as %1 messages (sent one after the other).").arg(parts);
}

void CComposerDlg::UpdateParts() {
    const QString text = Text();
    m_parts->setText(PartsText(text));
    const int parts = text.isEmpty() ? 0 : CountSmsParts(text.toStdString());
    m_send->setEnabled(parts > 0 && parts <= kMaxParts);
}
