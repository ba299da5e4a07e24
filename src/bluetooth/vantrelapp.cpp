#include "vantrelapp.h"

#include "bluetooth/connectstatus.h"
#include "bluetooth/deviceselectdlg.h"
#include "bluetooth/phoneidentity.h"
#include "bluetooth/phoneinfodlg.h"
#include "btstack/backend.h"
#include "phonelink/phonelink.h"
#include "platform/debuglog.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/serialnames.h"
#include "ui/aboutdlg.h"
#include "ui/doctemplate.h"
#include "ui/ids.h"
#include "ui/mainframe.h"
#include "ui/messages.h"
#include "ui/strings.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QThread>

#include <memory>

namespace {
constexpr auto kPictureKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Dunmere\\Harlune";
}

CVantrelApp::CVantrelApp() = default;

CVantrelApp::~CVantrelApp() {
    // Normally ExitInstance did this already; a test may construct and drop the object alone.
    CSppClient::StopNotifications();
    CBtIf::StopNotifications();
    {
        std::lock_guard lock(m_statusMutex);
        m_shuttingDown = true;
    }
    m_statusHandedOver.notify_all();
    m_discoveryDone.Set();
    std::lock_guard lock(m_workerMutex);
    m_obexWorker.Join();
}

bool CVantrelApp::InitInstance() {
    // Hosting embedded controls and three-dimensional dialog controls need no set-up in Qt.
    const ui::CommandLineInfo commandLine = ParseCommandLine();
    if (!commandLine.error.isEmpty()) {
        ui::ShowErrorMessage(nullptr, QStringLiteral("Command line: %1").arg(commandLine.error));
        return false;
    }
    if (commandLine.debug)
        platform::SetDebugLogEnabled(true);
    loadRegistry();
    QString stackLine;
    const bool stackUsable = chooseStack(commandLine.stack, &stackLine);
    m_stackUsable = stackUsable;

    QCoreApplication::setApplicationName(ui::Strings::Instance().Load(ui::AFX_IDS_APP_TITLE));
    SetRegistryKey(QStringLiteral("Local AppWizard-Generated Applications"));
    LoadStdProfileSettings(4);
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(ui::IDR_MAINFRAME));
    if (!ProcessShellCommand(commandLine))
        return false;

    startGuiHelpers();
    CMainFrame* frame = MainFrame();
    frame->show();
    frame->update();
    frame->SetStatusText(stackLine.toStdString());
    if (!stackUsable) {
        // No device list to choose from: the program runs on with the phone commands inert.
        m_deviceFound = false;
        ui::ShowErrorMessage(frame, stackLine);
        return true;
    }
    ConnectToPhone();
    return true;
}

void CVantrelApp::loadRegistry() {
    platform::Registry& registry = platform::Registry::Instance();
    std::string error;
    if (!registry.Load(platform::UserConfigDir() + "/registry.ini", platform::SharedDataDir() + "/registry-defaults.ini",
                       &error))
        ui::ShowErrorMessage(nullptr, QString::fromStdString(error));
    // The shipped picture folder is relative to the shared data folder, wherever the program
    // was installed; the resolved path is live and never written back.
    if (auto dir = registry.GetString(kPictureKey, "Dir"); dir && !dir->empty() && QDir::isRelativePath(QString::fromStdString(*dir)))
        registry.SetString(kPictureKey, "Dir", platform::SharedDataDir() + "/" + *dir, platform::RegOrigin::Live);
}

bool CVantrelApp::chooseStack(const QString& stack, QString* line) {
    const stackchoice::StackChoice choice = stackchoice::ChooseStack(stack.toStdString(), m_bluezProbe);
    *line = QString::fromStdString(choice.statusLine);
    if (stack.isEmpty() && choice.stack == "sim") {
        // The stack already in place is the demo phone (or one a test put there); the registry
        // was just reloaded, so its device list goes back in.
        btstack::PublishDevices(*btstack::CurrentBackend(), platform::Registry::Instance());
        return true;
    }
    std::string error;
    std::shared_ptr<btstack::Backend> backend = btstack::CreateBackend(choice.stack, &error);
    if (!backend) {
        // No silent fall-back to the demo phone: the user asked for a particular stack.
        *line = QStringLiteral("The Bluetooth stack \"%1\" is not available: %2")
                    .arg(QString::fromStdString(choice.stack), QString::fromStdString(error));
        return false;
    }
    btstack::SetBackend(std::move(backend));
    return true;
}

int CVantrelApp::ExitInstance() {
    m_linkWatch.reset();
    {
        std::lock_guard lock(m_statusMutex);
        m_shuttingDown = true;
        m_guiContext.reset(); // the OBEX search queues its call under this lock
    }
    m_statusHandedOver.notify_all();
    m_discoveryDone.Set();
    CSppClient::StopNotifications();
    CBtIf::StopNotifications();
    {
        std::lock_guard lock(m_workerMutex);
        // A notification that ran while we stopped may have started a fresh search.
        m_discoveryDone.Set();
        m_obexWorker.Join();
    }
    return CWinApp::ExitInstance();
}

bool CVantrelApp::OnCmdMsg(int commandId, bool execute) {
    if (commandId == ui::ID_CONNECT_PHONE) {
        if (execute && m_stackUsable)
            ConnectAgain();
        return m_stackUsable;
    }
    if (commandId == ui::ID_PHONE_INFO) {
        if (execute && m_deviceFound)
            ShowPhoneInfo();
        return m_deviceFound;
    }
    if (commandId == ui::ID_APP_ABOUT) {
        if (execute)
            ShowAboutBox();
        return true;
    }
    return CWinApp::OnCmdMsg(commandId, execute);
}

void CVantrelApp::startGuiHelpers() {
    m_guiContext = std::make_unique<QObject>();
    m_linkWatch = std::make_unique<QTimer>();
    m_linkWatch->setInterval(1000);
    QObject::connect(m_linkWatch.get(), &QTimer::timeout, m_guiContext.get(), [this] { watchLink(); });
    m_linkWatch->start();
}

void CVantrelApp::ConnectAgain() {
    if (CMainFrame* frame = MainFrame())
        frame->ForgetPhone();
    m_deviceFound = false;
    m_comPort = 0;
    m_obexChannel = 0;
    m_linkLostSaid = false;
    ConnectToPhone();
    if (CMainFrame* frame = MainFrame())
        frame->UpdateCommandUI();
}

void CVantrelApp::ShowPhoneInfo() {
    CMainFrame* frame = MainFrame();
    if (!frame)
        return;
    frame->EnsurePhoneLink();
    CPhoneInfoDlg dialog(frame->PhoneLink(), QStringLiteral("COM%1").arg(int(m_comPort)), frame);
    dialog.exec();
}

void CVantrelApp::announcePhone() {
    CMainFrame* frame = MainFrame();
    if (!frame || !m_deviceFound)
        return;
    frame->EnsurePhoneLink();
    CPhoneLink* link = frame->PhoneLink();
    if (!link)
        return;
    if (!link->IsOpen()) {
        // Why, with the holder of a busy port, rather than a bare "open failed".
        SetStatusText(link->Port().OpenError());
        return;
    }
    const std::string name = phoneinfo::IdentityName(phoneinfo::QueryIdentity(*link));
    if (!name.empty())
        SetStatusText(connectstatus::PhoneIdentified(name, m_comPort));
}

void CVantrelApp::watchLink() {
    CMainFrame* frame = MainFrame();
    CPhoneLink* link = frame ? frame->PhoneLink() : nullptr;
    if (!link || !link->IsOpen() || m_linkLostSaid)
        return;
    if (!link->Port().LineLost() && link->Port().WaitReadable(0) != CComPort::WaitResult::Hangup)
        return;
    m_linkLostSaid = true;
    m_deviceFound = false;
    SetStatusText(connectstatus::LinkLost(DeviceName()));
    frame->UpdateCommandUI();
}

void CVantrelApp::ShowAboutBox() {
    CAboutDlg about(MainFrame());
    about.exec();
}

bool CVantrelApp::shuttingDown() const {
    std::lock_guard lock(m_statusMutex);
    return m_shuttingDown;
}

void CVantrelApp::SetStatusText(std::string text) {
    platform::DebugLog("status: " + text);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    if (QThread::currentThread() == app->thread()) {
        if (CMainFrame* frame = MainFrame())
            frame->SetStatusText(std::move(text));
        return;
    }
    auto handedOver = std::make_shared<bool>(false);
    {
        std::lock_guard lock(m_statusMutex);
        if (m_shuttingDown)
            return;
    }
    QMetaObject::invokeMethod(
        app,
        [this, text = std::move(text), handedOver]() mutable {
            if (CMainFrame* frame = MainFrame())
                frame->SetStatusText(std::move(text));
            {
                std::lock_guard lock(m_statusMutex);
                *handedOver = true;
            }
            m_statusHandedOver.notify_all();
        },
        Qt::QueuedConnection);
    // Not a blocking queued call: that one would wait forever for a GUI thread which is itself
    // waiting for this thread at exit.
    std::unique_lock lock(m_statusMutex);
    m_statusHandedOver.wait(lock, [&] { return *handedOver || m_shuttingDown; });
}

std::array<uint8_t, 6> CVantrelApp::PhoneAddress() const {
    std::lock_guard lock(m_phoneMutex);
    return m_phoneAddress;
}

std::string CVantrelApp::DeviceName() const {
    std::lock_guard lock(m_phoneMutex);
    return m_deviceName;
}

void CVantrelApp::ConnectToPhone() {
    DeviceChoice choice;
    {
        // Owned by the main window, as a dialog without a parent is by the framework: it
        // stays in front of the frame and opens centred on it.
        CDeviceSelectDlg dialog(MainFrame());
        if (dialog.exec() != QDialog::Accepted) {
            m_deviceFound = false;
            SetStatusText(connectstatus::NoDeviceChosen());
            return;
        }
        choice = dialog.Choice();
    }
    if (m_serialComPort) {
        platform::UnregisterSerialPort(m_serialComPort);
        m_serialComPort = 0;
    }
    if (choice.serviceFound && !choice.serialDevice.empty()) {
        connectSerial(choice);
        return;
    }
    {
        // Set before the request: the connected-state notification may come at once, and its
        // OBEX search reads both.
        std::lock_guard lock(m_phoneMutex);
        m_deviceName = choice.deviceName;
        if (choice.serviceFound)
            m_phoneAddress = choice.phoneAddress;
    }
    if (choice.serviceFound) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        RemoveConnection();
        const int rc = CreateConnection(choice.phoneAddress, choice.serviceName.c_str());
        // The request is made; the outcome comes later and must not keep the cursor busy.
        QGuiApplication::restoreOverrideCursor();
        SetStatusText(connectstatus::Attempting(choice.phoneAddress));
        if (rc != SPP_CLIENT_SUCCESS)
            SetStatusText(connectstatus::CreateConnectionFailed(rc));
    } else {
        SetStatusText(connectstatus::ServiceNotFound(choice.deviceName));
        // A port held by another program (or closed to this user) says by whom and what to do.
        if (!choice.serialProblem.empty())
            SetStatusText(choice.serialProblem);
    }
    m_deviceFound = choice.serviceFound;
}

void CVantrelApp::connectSerial(const DeviceChoice& choice) {
    RemoveConnection(); // a Bluetooth link chosen earlier goes
    {
        std::lock_guard lock(m_phoneMutex);
        m_deviceName = choice.deviceName;
        m_phoneAddress = {};
    }
    // The first COM name above the stack's own that nobody registered.
    int16_t port = 200;
    while (port < 255 && platform::ResolveSerialName("COM" + std::to_string(port)))
        ++port;
    platform::RegisterSerialPort(port, choice.serialDevice);
    m_serialComPort = port;
    m_comPort = port;
    m_obexChannel = 0;
    m_deviceFound = true;
    SetStatusText(connectstatus::SerialChosen(choice.deviceName, choice.serialDevice, port));
    announcePhone();
}

void CVantrelApp::OnSppStateChange(const BdAddr& address, const DevClass&, const std::string&, int16_t comPort,
                                   int state) {
    if (state == SPP_STATE_CONNECTED) {
        m_comPort = comPort;
        SetStatusText(connectstatus::Connected(address, comPort));
        // The demo phone says when it runs without its state file (unreadable, or held by
        // another program): on the status line and in a message that does not block.
        const auto backend = btstack::CurrentBackend();
        if (const std::string notice = backend ? backend->TakeNotice() : std::string(); !notice.empty()) {
            SetStatusText(notice);
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    app,
                    [this, notice] {
                        auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Demo phone"),
                                                    QString::fromStdString(notice), QMessageBox::Ok, MainFrame());
                        box->setAttribute(Qt::WA_DeleteOnClose);
                        box->show();
                    },
                    Qt::QueuedConnection);
        }
        startObexSearch();
    } else {
        // A link that never came up says why (missing rights for the RFCOMM TTY, for instance),
        // so the user is not left with a bare "disconnected".
        const std::string why = LastConnectError();
        SetStatusText(why.empty() ? connectstatus::Disconnected(address)
                                  : connectstatus::Disconnected(address) + " (" + why + ")");
    }
}

void CVantrelApp::OnServiceDiscoveryDone() { m_discoveryDone.Set(); }

void CVantrelApp::startObexSearch() {
    std::lock_guard lock(m_workerMutex);
    if (shuttingDown())
        return;
    // The searches share the record buffer and the event, so a new one starts only after the
    // previous one has ended (its wait is bounded).
    m_obexWorker.Join();
    m_discoveryDone.Reset();
    m_obexWorker.Start([this] { ObexDiscoveryThread(); });
}

void CVantrelApp::ObexDiscoveryThread() {
    const BdAddr address = PhoneAddress();
    const std::string name = DeviceName();
    SetStatusText(connectstatus::DiscoveryStarting(address));
    const GUID classId = guid_SERVCLASS_OBEX_OBJECT_PUSH;
    if (StartDiscovery(address, &classId) == 0) {
        SetStatusText(connectstatus::DiscoveryStartFailed(address));
        return;
    }
    m_discoveryDone.Wait(kDiscoveryWaitMs);
    if (shuttingDown())
        return;
    SetStatusText(connectstatus::ReadingRecords(address));
    const int count = ReadDiscoveryRecords(address, static_cast<int>(m_sdpRecords.size()), m_sdpRecords.data(), &classId);
    for (int i = 0; i < count; ++i) {
        // A record without an RFCOMM channel keeps the channel found so far.
        uint8_t channel = 0;
        if (m_sdpRecords[static_cast<size_t>(i)].FindRFCommScn(&channel))
            m_obexChannel = channel;
        SetStatusText(connectstatus::ConnectingTo(name));
    }
    // The AT exchanges belong to the GUI thread; queued there, and dropped if the program is
    // already closing.
    std::lock_guard lock(m_statusMutex);
    if (!m_shuttingDown && m_guiContext)
        QMetaObject::invokeMethod(m_guiContext.get(), [this] { announcePhone(); }, Qt::QueuedConnection);
}
