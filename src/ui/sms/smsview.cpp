#include "smsview.h"

#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/resources.h"
#include "ui/sms/smsbudget.h"
#include "ui/waitcursor.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

namespace {

constexpr int kTextId = 1003;
constexpr int kNumberId = 1004;
constexpr int kSendId = 1015;

QString controlName(int id) { return QStringLiteral("control%1").arg(id); }

// The text exactly as typed: toPlainText() would turn no-break spaces into plain ones, which
// changes both the message and the alphabet it needs.
QString typedText(const QPlainTextEdit* edit) {
    QString text = edit->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

// The platform's group box drew its frame line through the middle of the caption; Qt's styles
// put the caption above the line. Raising the box by half a line puts the line where the
// template has it, so the framed controls keep their margin inside it.
void PlaceGroupBox(const CColorFormView& form, QGroupBox* box, int x, int y, int width, int height) {
    QRect at = form.Units().ToPixels(x, y, width, height);
    at.setTop(at.top() - box->fontMetrics().height() / 2);
    box->setGeometry(at);
}


} // namespace

CSMSView::CSMSView(QString number, QWidget* parent)
    : CColorFormView(ui::VIEW_SMS, QSize(320, 177), QStringLiteral("MS Sans Serif"), 8, parent),
      m_smsNumber(std::move(number)) {
    // Template order is the tab order: text, number, Send.
    m_textEdit = new QPlainTextEdit(this);
    m_textEdit->setObjectName(controlName(kTextId));
    // A message is one paragraph of up to 160 characters: wrapped, all of it is in sight.
    m_textEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_textEdit->setAccessibleName(QStringLiteral("Message text"));
    m_textEdit->setTabChangesFocus(true);
    Place(m_textEdit, 53, 79, 148, 68);

    m_numberEdit = new QLineEdit(this);
    m_numberEdit->setObjectName(controlName(kNumberId));
    m_numberEdit->setAccessibleName(QStringLiteral("Destination number"));
    Place(m_numberEdit, 54, 29, 147, 14);

    m_sendButton = new QPushButton(QStringLiteral("Send"), this);
    m_sendButton->setObjectName(controlName(kSendId));
    Place(m_sendButton, 212, 131, 50, 14);

    m_destinationGroup = new QGroupBox(QStringLiteral("Destination"), this);
    PlaceGroupBox(*this, m_destinationGroup, 46, 14, 225, 39);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("smsIcon"));
    m_icon->setAccessibleName(QStringLiteral("Short message"));
    m_icon->setPixmap(ui::ResourceIcon(ui::IDI_SMS).pixmap(32, 32));
    m_icon->setGeometry(QRect(Units().ToPixels(17, 22, 0, 0).topLeft(), QSize(32, 32)));

    m_textGroup = new QGroupBox(QStringLiteral("Text(max 160 chars)"), this);
    PlaceGroupBox(*this, m_textGroup, 47, 67, 225, 88);

    // In the free corner of the text's group box, above Send.
    m_counter = new QLabel(this);
    m_counter->setObjectName(QStringLiteral("smsCounter"));
    m_counter->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_counter->setWordWrap(true);
    m_counter->setAccessibleName(QStringLiteral("Characters left"));
    Place(m_counter, 207, 80, 62, 22);

    // The group boxes were made after the controls they frame (tab order); behind them they
    // would take the clicks meant for the edits.
    m_destinationGroup->lower();
    m_textGroup->lower();

    // A larger window gives its room to the text; the controls right of it keep their place
    // beside it.
    SetAnchor(m_textGroup, GrowX | GrowY);
    SetAnchor(m_textEdit, GrowX | GrowY);
    SetAnchor(m_destinationGroup, GrowX);
    SetAnchor(m_numberEdit, GrowX);
    SetAnchor(m_counter, MoveX);
    SetAnchor(m_sendButton, MoveX | MoveY);

    connect(m_textEdit, &QPlainTextEdit::textChanged, this, &CSMSView::UpdateCounter);
    connect(m_sendButton, &QPushButton::clicked, this, &CSMSView::OnSend);
}

QString CSMSView::MessageText() const { return typedText(m_textEdit); }

CMainFrame* CSMSView::Frame() const { return qobject_cast<CMainFrame*>(window()); }

void CSMSView::SetStatus(const std::string& text) {
    if (CMainFrame* frame = Frame())
        frame->SetStatusText(text);
}

void CSMSView::OnInitialUpdate() {
    m_textEdit->setPlainText(m_smsText);
    m_numberEdit->setText(m_smsNumber);
    UpdateCounter();
    FitParentFrame();
}

void CSMSView::UpdateCounter() {
    const smsform::SmsBudget budget = smsform::MeasureSmsText(typedText(m_textEdit).toStdString());
    m_counter->setText(QString::fromStdString(smsform::BudgetLabel(budget)));
    // The caption names the limit of the alphabet the text needs, as the counter counts it.
    m_textGroup->setTitle(budget.alphabet == smsform::Alphabet::Ucs2 ? QStringLiteral("Text(max 70 chars)")
                                                                     : QStringLiteral("Text(max 160 chars)"));
    // An over-long text is marked by weight as well as colour; the red is chosen against the
    // palette's window colour, so it stays readable on a dark theme.
    const QPalette own = this->palette();
    const QColor warning = IsDarkPalette(own) ? QColor(255, 120, 120) : QColor(170, 0, 0);
    QPalette palette = m_counter->palette();
    palette.setColor(QPalette::WindowText, budget.Fits() ? own.color(QPalette::WindowText) : warning);
    m_counter->setPalette(palette);
    QFont weight = m_counter->font();
    weight.setBold(!budget.Fits());
    m_counter->setFont(weight);
}

void CSMSView::OnSend() {
    m_smsText = typedText(m_textEdit);
    m_smsNumber = m_numberEdit->text();
    CMainFrame* frame = Frame();
    CPhoneLink* link = frame ? frame->PhoneLink() : nullptr;
    if (!link) {
        SetStatus("Message not sent: no phone is connected");
        return;
    }
    const std::string text = m_smsText.toStdString();
    const smsform::SmsBudget budget = smsform::MeasureSmsText(text);
    if (!budget.Fits()) {
        SetStatus("Message not sent: " + smsform::BudgetRefusal(budget));
        return;
    }
    bool sent;
    {
        ui::WaitCursor wait;
        sent = link->SendSms(text, m_smsNumber.toStdString());
    }
    // The fields keep their contents either way, so the message can go again at once.
    if (sent)
        SetStatus("Message sent (reference " + std::to_string(link->LastMessageReference()) + ")");
    else
        SetStatus("Message not sent: " + link->LastError().text);
}
