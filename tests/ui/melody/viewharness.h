#pragma once
// The frame over the emulated phone for the melody and SMS window tests: phonesim serves a pty,
// the pty is registered as a COM port, and a frame with connection facts naming that port shows
// the views these tests register. Configuration and data folders are private to the run.
#include <QApplication>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "phonesim/phone.h"
#include "phonesim/server.h"

class CMainFrame;
class CView;

namespace viewtest {

// Call before the QApplication exists.
void PrepareEnvironment(QTemporaryDir& home);

class ViewHarness {
public:
    explicit ViewHarness(phonesim::PhoneState state = phonesim::PhoneState::Demo());
    ~ViewHarness();
    ViewHarness(const ViewHarness&) = delete;
    ViewHarness& operator=(const ViewHarness&) = delete;

    // Starts the phone and builds the frame; false with a reason when either fails.
    bool Start(QString* why);

    CMainFrame* Frame() const { return m_frame.get(); }
    template <typename View> View* Current() const { return qobject_cast<View*>(CurrentView()); }
    CView* CurrentView() const;

    phonesim::PhoneState Snapshot() const { return m_phone->Snapshot(); }
    std::shared_ptr<phonesim::Phone> Phone() const { return m_phone; }
    // Command lines the phone received that start with prefix.
    QStringList Commands(const QString& prefix) const;
    // Every status line, in order, since Start.
    const QStringList& StatusLog() const { return m_statusLog; }
    QString Status() const;

private:
    std::shared_ptr<phonesim::Phone> m_phone;
    std::unique_ptr<phonesim::PtyPhone> m_pty;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<class PhoneFacts> m_facts;
    int m_comPort = 0;
    QStringList m_statusLog;
};

} // namespace viewtest

#define MELODY_SMS_TEST_MAIN(TestClass)                                                                                \
    int main(int argc, char** argv) {                                                                                  \
        QTemporaryDir home;                                                                                            \
        viewtest::PrepareEnvironment(home);                                                                            \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
