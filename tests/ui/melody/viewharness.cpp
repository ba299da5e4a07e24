#include "viewharness.h"

#include "phonelink/phonelink.h"
#include "platform/serialnames.h"
#include "ui/connectionfacts.h"
#include "ui/mainframe.h"
#include "ui/messages.h"

namespace viewtest {

class PhoneFacts : public ui::ConnectionFacts {
public:
    explicit PhoneFacts(int16_t port) : m_port(port) {}
    bool DeviceFound() const override { return true; }
    int16_t ComPort() const override { return m_port; }
    std::array<uint8_t, 6> PhoneAddress() const override { return {0x00, 0x0a, 0xd9, 0x15, 0x0b, 0x1c}; }
    std::string DeviceName() const override { return "Demo phone"; }
    uint8_t ObexChannel() const override { return 0; }

private:
    int16_t m_port;
};

void PrepareEnvironment(QTemporaryDir& home) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    qputenv("LANG", "en_US.UTF-8");
}

ViewHarness::ViewHarness(phonesim::PhoneState state) : m_phone(phonesim::Phone::Create(std::move(state))) {
    m_phone->SetSessionInit("AT+CMEE=1"); // as a program's set-up would: reasons, not ERROR
}

ViewHarness::~ViewHarness() {
    // The frame closes the port before the phone stops serving it.
    m_frame.reset();
    if (m_comPort)
        platform::UnregisterSerialPort(m_comPort);
    m_pty.reset();
}

bool ViewHarness::Start(QString* why) {
    m_pty = std::make_unique<phonesim::PtyPhone>(m_phone);
    std::string error;
    if (!m_pty->Start(&error)) {
        *why = QString::fromStdString(error);
        return false;
    }
    // A fresh number per harness: a test never reaches the pty of the one before.
    static int nextPort = 40;
    m_comPort = nextPort++;
    platform::RegisterSerialPort(m_comPort, m_pty->DevicePath());
    m_facts = std::make_unique<PhoneFacts>(static_cast<int16_t>(m_comPort));

    // A message box would wait for a click that never comes.
    ui::SetMessageHook([](const QString& text) { qWarning("message box: %s", qPrintable(text)); });
    m_frame = std::make_unique<CMainFrame>();
    if (!m_frame->OnCreate(why))
        return false;
    m_frame->SetConnectionFacts(m_facts.get());
    QObject::connect(m_frame.get(), &CMainFrame::StatusTextChanged, m_frame.get(),
                     [this](const QString& line) { m_statusLog << line; });
    m_frame->EnsurePhoneLink();
    if (!m_frame->PhoneLink()->IsOpen()) {
        *why = QStringLiteral("the phone link did not open ") + QString::fromStdString(m_pty->DevicePath());
        return false;
    }
    // Short enough that a silent phone ends a test quickly; the emulated phone answers at once.
    m_frame->PhoneLink()->SetTimeouts(500, 20000, 2000);
    m_frame->show();
    return true;
}

CView* ViewHarness::CurrentView() const { return m_frame ? m_frame->CurrentView() : nullptr; }

QStringList ViewHarness::Commands(const QString& prefix) const {
    QStringList lines;
    for (const std::string& line : m_phone->CommandLog()) {
        const QString text = QString::fromStdString(line);
        if (text.startsWith(prefix, Qt::CaseInsensitive))
            lines << text;
    }
    return lines;
}

QString ViewHarness::Status() const { return m_frame ? m_frame->StatusText() : QString(); }

} // namespace viewtest
