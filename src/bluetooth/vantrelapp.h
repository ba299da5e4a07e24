#pragma once
// The one application object: the framework's application, the stack's serial-port-profile
// client and its discovery interface at once. It holds the facts about the chosen phone that
// the windows read, runs the connect step at the end of start-up, and turns the stack's
// notifications into status lines.
#include "bluetooth/stackchoice.h"
#include "btstack/btif.h"
#include "btstack/sppclient.h"
#include "platform/event.h"
#include "platform/worker.h"
#include "ui/connectionfacts.h"
#include "ui/winapp.h"

#include <QString>
#include <QTimer>

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

struct DeviceChoice;

class CVantrelApp : public CWinApp, public CSppClient, public CBtIf, public ui::ConnectionFacts {
public:
    static constexpr uint32_t kDiscoveryWaitMs = 3000;

    CVantrelApp();
    ~CVantrelApp() override;

    bool InitInstance() override;
    // Stops the stack's notifications and the OBEX search before the windows go, so nothing
    // waits for a GUI thread that no longer listens.
    int ExitInstance() override;
    bool OnCmdMsg(int commandId, bool execute) override;
    ui::ConnectionFacts* GetConnectionFacts() override { return this; }

    void OnSppStateChange(const BdAddr& address, const DevClass& devClass, const std::string& deviceName,
                          int16_t comPort, int state) override;
    void OnServiceDiscoveryDone() override;

    // Any thread. Off the GUI thread it waits until the GUI thread has shown the text, or until
    // the program is closing down, whichever comes first.
    void SetStatusText(std::string text);

    // Device selection, then the serial-port-profile connection request; returns without
    // waiting for the connection.
    void ConnectToPhone();
    // "Connect to phone...": forgets the phone in use (its link, what was read) and runs the
    // device selection and connection again; after Cancel, a failed search or a lost link.
    void ConnectAgain();
    void ShowPhoneInfo();
    void ShowAboutBox();
    // How start-up asks whether BlueZ has an adapter when the command line names no stack. The
    // program sets the real D-Bus probe; left empty (tests), the demo phone is the default.
    void SetBluezProbe(stackchoice::BluezProbe probe) { m_bluezProbe = std::move(probe); }

    bool DeviceFound() const override { return m_deviceFound; }
    int16_t ComPort() const override { return m_comPort; }
    std::array<uint8_t, 6> PhoneAddress() const override;
    std::string DeviceName() const override;
    uint8_t ObexChannel() const override { return m_obexChannel; }

private:
    void ObexDiscoveryThread();
    void startObexSearch();
    void loadRegistry();
    // Sets up the stack for this run. *line is the first status line: the stack in use and
    // why, or, when false is returned, why the stack asked for cannot be used.
    bool chooseStack(const QString& stack, QString* line);
    bool shuttingDown() const;
    // GUI thread, after the connection's OBEX search: the phone's maker and model on the status line.
    void announcePhone();
    // GUI thread, every second: a line that hung up under an open link is said at once.
    void watchLink();
    void startGuiHelpers();
    // A phone or modem on a serial port: registered as a COM port of its own and used at once.
    void connectSerial(const DeviceChoice& choice);

    std::atomic<int16_t> m_comPort{0};
    std::atomic<uint8_t> m_obexChannel{0};
    std::atomic<bool> m_deviceFound{false};
    platform::Event m_discoveryDone;
    stackchoice::BluezProbe m_bluezProbe;
    // The chosen phone; written by the connect step, read by the OBEX search's worker.
    mutable std::mutex m_phoneMutex;
    BdAddr m_phoneAddress{};
    std::string m_deviceName;
    std::array<CSdpDiscoveryRec, 20> m_sdpRecords;

    // Status hand-over to the GUI thread.
    mutable std::mutex m_statusMutex;
    std::condition_variable m_statusHandedOver;
    bool m_shuttingDown = false;

    bool m_stackUsable = false;
    int16_t m_serialComPort = 0; // the live COM name of a chosen serial device, 0 when none
    bool m_linkLostSaid = false;
    // Context of the calls queued to the GUI thread: they are dropped with it when this object
    // goes. Made in InitInstance (QObjects need the application).
    std::unique_ptr<QObject> m_guiContext;
    std::unique_ptr<QTimer> m_linkWatch;

    std::mutex m_workerMutex;
    platform::Worker m_obexWorker;
};
