#pragma once
// A main frame connected to the emulated phone over a pty, with the phone book view plugged in;
// shared by the window tests and the screenshot driver.
#include "phonesim/phone.h"
#include "phonesim/server.h"
#include "ui/connectionfacts.h"

#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class CMainFrame;
class CPhonebookView;
class QWidget;

namespace pbtest {

struct Facts : ui::ConnectionFacts {
    int16_t port = 0;
    bool DeviceFound() const override { return true; }
    int16_t ComPort() const override { return port; }
    std::array<uint8_t, 6> PhoneAddress() const override { return {0, 0x0a, 0xd9, 1, 2, 3}; }
    std::string DeviceName() const override { return "Demo phone"; }
    uint8_t ObexChannel() const override { return 0; }
};

class Harness {
public:
    explicit Harness(phonesim::PhoneState state = phonesim::PhoneState::Demo(), phonesim::ServeOptions options = {});
    ~Harness();

    bool Started() const { return m_started; }
    CMainFrame* Frame() const { return m_frame.get(); }
    phonesim::Phone& Phone() const { return *m_phone; }

    // The toolbar's phone book command; the view it made.
    CPhonebookView* ShowPhonebook();
    CPhonebookView* View() const;
    // Selects the tree item with this label, as a click would.
    void Select(const QString& label);

private:
    std::shared_ptr<phonesim::Phone> m_phone;
    std::unique_ptr<phonesim::PtyPhone> m_pty;
    Facts m_facts;
    std::unique_ptr<CMainFrame> m_frame;
    bool m_started = false;
};

// Runs `action` on the first visible popup or modal window of the class once the event loop spins;
// gives up after the limit. Deleting the returned timer cancels the wait.
QPointer<QTimer> WhenShown(const char* className, std::function<void(QWidget*)> action, int limitMs = 10000);

} // namespace pbtest
