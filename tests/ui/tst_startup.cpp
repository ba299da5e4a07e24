// The real program start-up on the demo stack: frame, device dialog, connection steps.
#include "testsupport.h"

#include "bluetooth/connectstatus.h"
#include "bluetooth/deviceselectdlg.h"
#include "bluetooth/vantrelapp.h"
#include "btstack/backend.h"
#include "obex/transport.h"
#include "phonelink/phonelink.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/messages.h"

#include <QDesktopServices>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>

#include <atomic>
#include <thread>

namespace {

// A stack whose one phone refuses the serial connection with a chosen code.
class RefusingBackend : public btstack::Backend {
public:
    explicit RefusingBackend(SPP_CLIENT_RETURN_CODE code) : m_code(code) {}
    std::string Name() const override { return "refusing"; }
    std::vector<btstack::DeviceEntry> Devices() override {
        return {{{0x00, 0x80, 0x37, 0x0A, 0x0B, 0x0C}, "Refusing phone", {0x52, 0x02, 0x04}}};
    }
    bool SearchServices(const BdAddr&, const GUID& serviceClass, std::vector<btstack::ServiceRecord>* records,
                        std::string*) override {
        records->push_back({"Serial Port", serviceClass, 1});
        return true;
    }
    SPP_CLIENT_RETURN_CODE CheckSerial(const BdAddr&, const std::string&) override { return m_code; }
    btstack::SerialOpenResult OpenSerial(const BdAddr&, const std::string&, std::function<void()>) override {
        btstack::SerialOpenResult result;
        result.code = m_code;
        result.error = "refused by the test";
        return result;
    }
    std::unique_ptr<obex::Transport> OpenObex(const BdAddr&, uint8_t, std::string* error) override {
        *error = "no OBEX here";
        return nullptr;
    }

private:
    SPP_CLIENT_RETURN_CODE m_code;
};

enum class Close { ChooseFirstAndOk, OkWithoutClick, Cancel };

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void successfulRunOnDemoPhone();
    void cancelLeavesViewCommandsInert();
    void okWithoutClickNamesNoGarbage();
    void refusedConnection_data();
    void refusedConnection();
    void badCommandLineEndsBeforeDialog_data();
    void badCommandLineEndsBeforeDialog();
    void disconnectChangesOnlyStatusLine();
    void exitReleasesWorkerWaitingForStatus();
    void firstStatusLineNamesStack_data();
    void firstStatusLineNamesStack();

private:
    // Starts the program; the dialog is closed as asked once it shows. Collects what the
    // dialog listed and every status line.
    bool start(CVantrelApp& app, Close close);

    QStringList m_listed;
    QStringList m_status;
    QStringList m_messages;
    bool m_frameVisibleAtDialog = false;
    bool m_dialogShown = false;
};

void StartupTest::init() {
    m_listed.clear();
    m_status.clear();
    m_messages.clear();
    m_frameVisibleAtDialog = m_dialogShown = false;
    ui::SetMessageHook([this](const QString& text) { m_messages << text; });
}

void StartupTest::cleanup() {
    testsupport::StopWatchers();
    ui::SetMessageHook({});
    btstack::SetBackend(nullptr);
}

bool StartupTest::start(CVantrelApp& app, Close close) {
    testsupport::WhenModal([this, &app, close](QWidget* modal) {
        auto* dialog = qobject_cast<CDeviceSelectDlg*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        m_dialogShown = true;
        CMainFrame* frame = app.MainFrame();
        m_frameVisibleAtDialog = frame && frame->isVisible();
        QObject::connect(frame, &CMainFrame::StatusTextChanged, this, [this](const QString& t) { m_status << t; });
        for (int i = 0; i < dialog->DeviceList()->count(); ++i)
            m_listed << dialog->DeviceList()->item(i)->text();
        if (close == Close::Cancel) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
            return;
        }
        if (close == Close::ChooseFirstAndOk && dialog->DeviceList()->count() > 0) {
            QListWidget* list = dialog->DeviceList();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    });
    return app.InitInstance();
}

void StartupTest::successfulRunOnDemoPhone() {
    CVantrelApp app;
    app.SetArguments({QStringLiteral("--stack=sim")});
    QVERIFY(start(app, Close::ChooseFirstAndOk));
    QVERIFY(m_frameVisibleAtDialog);
    QCOMPARE(m_listed, QStringList{QStringLiteral("T68 demo phone")});

    QTRY_VERIFY_WITH_TIMEOUT(m_status.size() >= 5, 15000);
    const QString address = QStringLiteral("0:80:37:1a:2b:3c");
    QCOMPARE(m_status.value(0), QStringLiteral("Attempting a connection with BDA: ") + address);
    QCOMPARE(m_status.value(1), QStringLiteral("Connected with %1, on COM port %2").arg(address).arg(app.ComPort()));
    QCOMPARE(m_status.value(2), QStringLiteral("Starting discovery on BDA: ") + address);
    QCOMPARE(m_status.value(3), QStringLiteral("Reading Discovery Records for BDA:  ") + address);
    QCOMPARE(m_status.value(4), QStringLiteral("Connecting to T68 demo phone"));
    // Then, when the phone tells its maker and model, a line naming it.
    QVERIFY(m_status.size() == 5 || (m_status.size() == 6 && m_status.value(5).startsWith("Connected to ")));
    QVERIFY(app.DeviceFound());
    QVERIFY(app.ComPort() > 0);
    QCOMPARE(app.ObexChannel(), uint8_t(10));
    QCOMPARE(app.MainFrame()->windowTitle(), QStringLiteral("DUNMERE Harlune"));

    // The SMS command opens the phone link on the reported port.
    app.MainFrame()->Action(ui::ID_SHOW_SMS)->trigger();
    QVERIFY(app.MainFrame()->PhoneLink());
    QVERIFY(app.MainFrame()->PhoneLink()->IsOpen());
    QCOMPARE(app.MainFrame()->CurrentViewId(), ui::VIEW_SMS);
    QVERIFY(m_messages.isEmpty());
    app.ExitInstance();
}

void StartupTest::cancelLeavesViewCommandsInert() {
    CVantrelApp app;
    QVERIFY(start(app, Close::Cancel));
    QTRY_COMPARE(m_status, QStringList{QStringLiteral("No device is choosed!")});
    QVERIFY(!app.DeviceFound());
    CMainFrame* frame = app.MainFrame();
    CView* start = frame->CurrentView();
    for (int id : {ui::ID_SHOW_PHONEBOOK, ui::ID_SHOW_MELODIES, ui::ID_SHOW_SMS, ui::ID_SHOW_PICTURES})
        frame->Action(id)->trigger();
    QCOMPARE(frame->CurrentView(), start);
    QCOMPARE(frame->CurrentViewId(), ui::VIEW_START);
    QVERIFY(!frame->PhoneLink());

    UrlRecorder urls;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &urls, "open");
    frame->Action(ui::ID_WEB_LINK)->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QCOMPARE(urls.opened.size(), 1);

    QString aboutTitle;
    testsupport::WhenModal([&](QWidget* modal) {
        aboutTitle = modal->windowTitle();
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    });
    QVERIFY(frame->Action(ui::ID_APP_ABOUT)->isEnabled());
    frame->Action(ui::ID_APP_ABOUT)->trigger();
    QCOMPARE(aboutTitle, QStringLiteral("About Harlune"));
    QCOMPARE(frame->windowTitle(), QStringLiteral("DUNMERE Harlune"));
    app.ExitInstance();
}

void StartupTest::okWithoutClickNamesNoGarbage() {
    CVantrelApp app;
    QVERIFY(start(app, Close::OkWithoutClick));
    QTRY_COMPARE(m_status, QStringList{connectstatus::ServiceNotFound(connectstatus::NoPhoneClickedName()).c_str()});
    QVERIFY(!app.DeviceFound());
    app.ExitInstance();
}

void StartupTest::refusedConnection_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("line");
    QTest::newRow("server not exist") << 1 << "CSppClient::CreateConnection failed, server not exist!";
    QTest::newRow("already connected") << 2 << "CSppClient::CreateConnection failed, already connected!";
    QTest::newRow("other") << 5 << "CSppClient::CreateConnection failed, error code 5!";
}

void StartupTest::refusedConnection() {
    QFETCH(int, code);
    QFETCH(QString, line);
    btstack::SetBackend(std::make_shared<RefusingBackend>(static_cast<SPP_CLIENT_RETURN_CODE>(code)));
    CVantrelApp app;
    QVERIFY(start(app, Close::ChooseFirstAndOk));
    QCOMPARE(m_listed, QStringList{QStringLiteral("Refusing phone")});
    QTRY_COMPARE(m_status.size(), 2);
    QCOMPARE(m_status[0], QStringLiteral("Attempting a connection with BDA: 0:80:37:a:b:c"));
    QCOMPARE(m_status[1], line);
    // The phone was found, so the frame will still try the link (on port 0 until told more).
    QVERIFY(app.DeviceFound());
    QCOMPARE(app.ComPort(), int16_t(0));
    QCOMPARE(app.MainFrame()->windowTitle(), QStringLiteral("DUNMERE Harlune"));
    app.ExitInstance();
}

void StartupTest::badCommandLineEndsBeforeDialog_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("reason");
    QTest::newRow("unopenable document") << QStringList{"/nonexistent/folder/phone.mob"} << "phone.mob";
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "--frobnicate";
}

void StartupTest::badCommandLineEndsBeforeDialog() {
    QFETCH(QStringList, args);
    QFETCH(QString, reason);
    CVantrelApp app;
    app.SetArguments(args);
    QPointer<QTimer> watcher = testsupport::WhenModal([this](QWidget* modal) {
        m_dialogShown = true;
        modal->close();
    }, 300);
    QTest::ignoreMessage(QtWarningMsg, "no modal window appeared");
    QVERIFY(!app.InitInstance());
    QTRY_VERIFY(watcher.isNull());
    QVERIFY(!m_dialogShown);
    QCOMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages[0].contains(reason), qPrintable(m_messages[0]));
    QVERIFY(!app.MainFrame());
}

void StartupTest::disconnectChangesOnlyStatusLine() {
    CVantrelApp app;
    QVERIFY(start(app, Close::Cancel));
    QTRY_COMPARE(m_status.size(), 1);
    const BdAddr address{0x00, 0x80, 0x37, 0x0A, 0x0B, 0x0C};
    // From another thread, as the stack delivers it: the status line is handed over.
    std::thread stack([&] { app.OnSppStateChange(address, {}, "x", 7, SPP_STATE_DISCONNECTED); });
    QTRY_COMPARE(m_status.value(1), QStringLiteral("Disconnected from 0:80:37:a:b:c"));
    stack.join();
    QCOMPARE(app.ComPort(), int16_t(0));
    QVERIFY(!app.DeviceFound());
    app.ExitInstance();
}

void StartupTest::exitReleasesWorkerWaitingForStatus() {
    CVantrelApp app;
    QVERIFY(start(app, Close::Cancel));
    QTRY_COMPARE(m_status.size(), 1);
    std::atomic<bool> returned{false};
    // The GUI thread does not serve events from here on, so this update waits ...
    std::thread worker([&] {
        app.SetStatusText("from a worker");
        returned = true;
    });
    // ... until the program closes down, which must release it instead of deadlocking.
    app.ExitInstance();
    worker.join();
    QVERIFY(returned);
}

void StartupTest::firstStatusLineNamesStack_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("line");
    QTest::newRow("no adapter") << QStringList{}
                                << "Using the demo phone: no Bluetooth adapter found (no org.bluez on the bus)";
}

void StartupTest::firstStatusLineNamesStack() {
    QFETCH(QStringList, args);
    QFETCH(QString, line);
    CVantrelApp app;
    app.SetArguments(args);
    app.SetBluezProbe([](std::string* why) {
        *why = "no org.bluez on the bus";
        return false;
    });
    // What the frame shows while the device dialog is up, before any connection line.
    QString shownAtDialog;
    QStringList listed;
    testsupport::WhenModal([&](QWidget* modal) {
        shownAtDialog = app.MainFrame()->StatusText();
        auto* dialog = qobject_cast<CDeviceSelectDlg*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        for (int i = 0; i < dialog->DeviceList()->count(); ++i)
            listed << dialog->DeviceList()->item(i)->text();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    });
    QVERIFY(app.InitInstance());
    QTRY_VERIFY(!shownAtDialog.isEmpty());
    QCOMPARE(shownAtDialog, line);
    QCOMPARE(listed, QStringList{QStringLiteral("T68 demo phone")});
    app.ExitInstance();
}

HARLUNE_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
