#include "readprogressdlg.h"

#include "phonebooktexts.h"
#include "phonelink/phonelink.h"
#include "ui/dialogunits.h"
#include "ui/mainframe.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

int& startDelay() {
    static int s_delay = 1000;
    return s_delay;
}

std::function<void(CReadProgressDlg*)>& shownHook() {
    static std::function<void(CReadProgressDlg*)> s_hook;
    return s_hook;
}

} // namespace

// The link calls these synchronously while the GUI thread is busy reading, so each change is
// painted at once; nothing else would paint the bar until the read is over.
class CReadProgressDlg::BarSink : public IProgressSink {
public:
    explicit BarSink(QProgressBar* bar) : m_bar(bar) {}
    void SetRange(int minimum, int maximum) override {
        m_bar->setRange(minimum, maximum);
        m_bar->repaint();
    }
    void SetPosition(int position) override {
        m_bar->setValue(position);
        m_bar->repaint();
    }

private:
    QProgressBar* m_bar;
};

CReadProgressDlg::CReadProgressDlg(CMainFrame* frame)
    // A modal frame without caption or system menu: no title bar and no close box.
    : QDialog(frame, Qt::Dialog | Qt::CustomizeWindowHint | Qt::FramelessWindowHint), m_frame(frame) {
    setObjectName(QStringLiteral("readProgressDlg"));
    setModal(true);
    setFont(ui::DialogUnits::TemplateFont(QStringLiteral("System"), 10));
    const ui::DialogUnits units(font());

    auto bar = [this](const char* name) {
        auto* b = new QProgressBar(this);
        b->setObjectName(QLatin1String(name));
        b->setTextVisible(false);
        // Empty until the link sets a range, as a fresh bar of the platform shows.
        b->setRange(0, 100);
        b->setValue(0);
        return b;
    };
    m_simProgress = bar("progress1006");
    m_phoneProgress = bar("progress1007");
    m_simLabel = new QLabel(QStringLiteral("Reading from SIM card..."), this);
    m_simLabel->setObjectName(QStringLiteral("label1008"));
    m_phoneLabel = new QLabel(QStringLiteral("Reading from phone memory..."), this);
    m_phoneLabel->setObjectName(QStringLiteral("label1009"));

    m_simProgress->setGeometry(units.ToPixels(22, 24, 134, 14));
    m_phoneProgress->setGeometry(units.ToPixels(22, 61, 134, 14));
    // The template's label boxes fit the platform's font; a wider desktop font would clip them,
    // so they keep their place and grow to their text.
    for (auto [label, rect] : {std::pair{m_simLabel, units.ToPixels(23, 13, 78, 8)},
                               std::pair{m_phoneLabel, units.ToPixels(23, 49, 97, 8)}}) {
        rect.setSize(rect.size().expandedTo(label->sizeHint()));
        label->setGeometry(rect);
    }
    setFixedSize(units.ToPixels(188, 98));

    m_simSink = new BarSink(m_simProgress);
    m_phoneSink = new BarSink(m_phoneProgress);
}

CReadProgressDlg::~CReadProgressDlg() {
    delete m_simSink;
    delete m_phoneSink;
}

IProgressSink* CReadProgressDlg::SimProgress() { return m_simSink; }
IProgressSink* CReadProgressDlg::PhoneProgress() { return m_phoneSink; }

bool CReadProgressDlg::StopRequested() {
    // The read runs on this thread; this is where a key press or a close gets seen. The window is
    // modal, so nothing else of the program takes input meanwhile.
    QCoreApplication::processEvents();
    return m_stopRequested;
}

void CReadProgressDlg::SetStartDelay(int milliseconds) { startDelay() = std::max(0, milliseconds); }
int CReadProgressDlg::StartDelay() { return startDelay(); }
void CReadProgressDlg::SetShownHook(std::function<void(CReadProgressDlg*)> hook) { shownHook() = std::move(hook); }

void CReadProgressDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_frame)
        move(m_frame->geometry().center() - rect().center());
    if (!m_timer && !m_readDone) {
        m_timer = startTimer(startDelay());
        if (shownHook())
            shownHook()(this);
    }
}

void CReadProgressDlg::timerEvent(QTimerEvent*) {
    // One read per window, however many timer events were queued.
    if (m_timer) {
        killTimer(m_timer);
        m_timer = 0;
    }
    if (!m_readDone)
        OnTimer();
}

void CReadProgressDlg::OnTimer() {
    CPhoneLink* link = m_frame ? m_frame->PhoneLink() : nullptr;
    bool read = false;
    if (link) {
        link->SetProgressDialog(this);
        m_reading = true;
        read = link->ReadPhonebook();
        m_reading = false;
        m_outcome = read ? QString() : phonebook::ReadOutcomeText(*link);
    } else {
        m_outcome = FailureLine();
    }
    m_readDone = true;
    if (!m_outcome.isEmpty() && m_frame)
        m_frame->SetStatusText(m_outcome.toStdString());
    done(QDialog::Accepted);
}

void CReadProgressDlg::accept() {
    if (m_readDone)
        QDialog::accept();
}

void CReadProgressDlg::reject() {
    if (m_readDone)
        QDialog::reject();
    else if (m_reading)
        m_stopRequested = true;
}

void CReadProgressDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Without a title bar the window manager draws no edge either; the modal frame is ours.
    QPainter painter(this);
    QStyleOptionFrame option;
    option.initFrom(this);
    option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    option.midLineWidth = 0;
    option.state |= QStyle::State_Raised;
    option.frameShape = QFrame::WinPanel;
    style()->drawPrimitive(QStyle::PE_Frame, &option, &painter, this);
}
