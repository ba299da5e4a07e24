// The way to a phone: Cancel at start-up, then "Connect to phone...", then the phone book, in
// one run on the demo stack; a modem on a serial port (a pty presented as a USB modem) listed,
// followed through plug and unplug, chosen and read; the phone information window.
#include "testsupport.h"

#include "bluetooth/deviceselectdlg.h"
#include "bluetooth/phoneinfodlg.h"
#include "bluetooth/vantrelapp.h"
#include "btstack/backend.h"
#include "phonelink/phonelink.h"
#include "phonelink/simphone.h"
#include "serialports/portenum.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/messages.h"

#include <QListWidget>
#include <QPushButton>

class ReconnectTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void cancelThenConnectToPhoneThenPhonebook();
    void usbModemIsListedFollowedAndRead();
};

void ReconnectTest::cleanup() {
    testsupport::StopWatchers();
    ui::SetMessageHook({});
    btstack::SetBackend(nullptr);
    serialports::SetPortEnumerator(nullptr);
}

namespace {

// Chooses the first phone with the keyboard (arrow key, Enter), as a user without a mouse does.
void chooseFirstByKeyboard(QWidget* modal) {
    auto* dialog = qobject_cast<CDeviceSelectDlg*>(modal);
    QVERIFY(dialog);
    dialog->DeviceList()->setFocus();
    QTest::keyClick(dialog->DeviceList(), Qt::Key_Down);
    QTest::keyClick(dialog->DeviceList(), Qt::Key_Return);
}

} // namespace

void ReconnectTest::cancelThenConnectToPhoneThenPhonebook() {
    QStringList messages;
    ui::SetMessageHook([&](const QString& text) { messages << text; });
    CVantrelApp app;
    app.SetArguments({QStringLiteral("--stack=sim")});
    testsupport::WhenModal([](QWidget* modal) { modal->close(); }); // Cancel
    QVERIFY(app.InitInstance());
    CMainFrame* frame = app.MainFrame();
    QTRY_COMPARE(frame->StatusText(), QStringLiteral("No device is choosed!"));
    QVERIFY(!app.DeviceFound());

    QAction* connectPhone = frame->Action(ui::ID_CONNECT_PHONE);
    QVERIFY(connectPhone && connectPhone->isEnabled());
    QVERIFY(!frame->Action(ui::ID_PHONE_INFO)->isEnabled());
    testsupport::WhenModal(chooseFirstByKeyboard);
    connectPhone->trigger();
    QTRY_VERIFY2_WITH_TIMEOUT(app.DeviceFound() && app.ComPort() > 0,
                              qPrintable(frame->StatusText()), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(frame->StatusText().startsWith("Connecting to") ||
                                 frame->StatusText().startsWith("Connected to"),
                             15000);

    frame->EnsurePhonebookRead();
    QVERIFY(frame->PhoneLink() && frame->PhoneLink()->IsOpen());
    QVERIFY(!frame->PhoneLink()->SimEntries().empty() ||
            !frame->PhoneLink()->PhoneEntries().empty());
    QCOMPARE(frame->StatusText(), QStringLiteral("Finishing reading phone book"));

    // The same phone again: the old link goes, the new one reads the phone book anew.
    testsupport::WhenModal(chooseFirstByKeyboard);
    frame->Action(ui::ID_CONNECT_PHONE)->trigger();
    QVERIFY(!frame->PhoneLink());
    QTRY_VERIFY_WITH_TIMEOUT(app.DeviceFound() && app.ComPort() > 0, 15000);
    frame->EnsurePhonebookRead();
    QVERIFY(frame->PhoneLink() && frame->PhoneLink()->IsOpen());

    QString maker;
    testsupport::WhenModal([&](QWidget* modal) {
        if (auto* info = qobject_cast<CPhoneInfoDlg*>(modal))
            maker = info->Field(QStringLiteral("maker"));
        modal->close();
    });
    QVERIFY(frame->Action(ui::ID_PHONE_INFO)->isEnabled());
    frame->Action(ui::ID_PHONE_INFO)->trigger();
    QVERIFY(!maker.isEmpty() && maker != QStringLiteral("no phone is connected"));
    QVERIFY(messages.isEmpty());
    app.ExitInstance();
}

void ReconnectTest::usbModemIsListedFollowedAndRead() {
    phonesim::PhoneState state = phonesim::PhoneState::Empty();
    state.sim.entries[2] = {"0701234", 129, "Anna"};
    SimPhone modem(state);
    const serialports::SerialPortInfo port{modem.pty.DevicePath(), "Dunmere", "Test modem",
                                           "usb-1-2", "00"};
    auto ports = std::make_shared<serialports::FixedPortEnumerator>();
    serialports::SetPortEnumerator(ports);

    CVantrelApp app;
    app.SetArguments({QStringLiteral("--stack=sim")});
    QStringList rows;
    testsupport::WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<CDeviceSelectDlg*>(modal);
        QListWidget* list = dialog->DeviceList();
        rows << QString::number(list->count());
        ports->SetPorts({port}); // plugged in while the dialog is open
        QTRY_COMPARE(list->count(), 2);
        rows << list->item(1)->text();
        ports->SetPorts({});
        QTRY_COMPARE(list->count(), 1);
        ports->SetPorts({port});
        QTRY_COMPARE(list->count(), 2);
        const QPoint at = list->visualItemRect(list->item(1)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")),
                          Qt::LeftButton);
    });
    QVERIFY(app.InitInstance());
    QCOMPARE(
        rows,
        (QStringList{"1", QStringLiteral("Dunmere Test modem (%1)").arg(port.devicePath.c_str())}));
    QVERIFY(app.DeviceFound());
    CMainFrame* frame = app.MainFrame();
    // What was chosen, then the phone by the maker and model it gives.
    QVERIFY2(frame->StatusText().startsWith(QStringLiteral("Connected to ")) ||
                 frame->StatusText().contains(QString::fromStdString(port.devicePath)),
             qPrintable(frame->StatusText()));
    frame->EnsurePhonebookRead();
    QVERIFY(frame->PhoneLink() && frame->PhoneLink()->IsOpen());
    QCOMPARE(frame->PhoneLink()->Port().DevicePath(), port.devicePath);
    QCOMPARE(frame->PhoneLink()->SimEntries().size(), size_t(1));
    QCOMPARE(frame->PhoneLink()->SimEntries()[0]->name, std::string("Anna"));

    // The cable is pulled: said when it happens, and the phone commands go inert.
    modem.pty.Hangup();
    QTRY_VERIFY_WITH_TIMEOUT(frame->StatusText().contains(QStringLiteral("was lost")), 10000);
    QVERIFY(!app.DeviceFound());
    QVERIFY(frame->Action(ui::ID_CONNECT_PHONE)->isEnabled());
    app.ExitInstance();
}

HARLUNE_TEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
