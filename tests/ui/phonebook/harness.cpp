#include "harness.h"

#include "platform/serialnames.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/phonebook/phonebookleft.h"
#include "ui/phonebook/phonebookview.h"

#include <QApplication>
#include <QTimer>

namespace pbtest {

namespace {
// Each harness takes a port number of its own, so a registration never points at an old pty.
int nextPort() {
    static int s_port = 40;
    return ++s_port;
}
} // namespace

Harness::Harness(phonesim::PhoneState state, phonesim::ServeOptions options)
    : m_phone(phonesim::Phone::Create(std::move(state))),
      m_pty(std::make_unique<phonesim::PtyPhone>(m_phone, options)) {
    m_phone->SetSessionInit("AT+CMEE=1"); // as a program's set-up would: reasons, not ERROR
    std::string error;
    m_started = m_pty->Start(&error);
    if (!m_started) {
        qWarning("phonesim did not start: %s", error.c_str());
        return;
    }
    m_facts.port = static_cast<int16_t>(nextPort());
    platform::RegisterSerialPort(m_facts.port, m_pty->DevicePath());
    m_frame = std::make_unique<CMainFrame>();
    QString why;
    m_started = m_frame->OnCreate(&why);
    m_frame->SetConnectionFacts(&m_facts);
    m_frame->resize(640, 480);
    m_frame->show();
}

Harness::~Harness() {
    m_frame.reset();
    if (m_facts.port)
        platform::UnregisterSerialPort(m_facts.port);
    m_pty.reset();
}

CPhonebookView* Harness::ShowPhonebook() {
    m_frame->OnCommand(ui::ID_SHOW_PHONEBOOK);
    return View();
}

CPhonebookView* Harness::View() const { return qobject_cast<CPhonebookView*>(m_frame->CurrentView()); }

void Harness::Select(const QString& label) {
    CPhonebookLeft* tree = View()->Left();
    tree->setCurrentItem(tree->ItemByLabel(label));
}

QPointer<QTimer> WhenShown(const char* className, std::function<void(QWidget*)> action, int limitMs) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        *waited += timer->interval();
        QWidget* shown = QApplication::activePopupWidget();
        if (!shown || !shown->inherits(className))
            shown = QApplication::activeModalWidget();
        if (shown && shown->isVisible() && shown->inherits(className)) {
            timer->stop();
            timer->deleteLater();
            action(shown);
        } else if (*waited > limitMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
    return timer;
}

} // namespace pbtest
