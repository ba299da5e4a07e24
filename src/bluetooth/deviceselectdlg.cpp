#include "deviceselectdlg.h"

#include "bluetooth/connectstatus.h"
#include "ui/dialogunits.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSocketNotifier>

#include <cstring>

CDeviceSelectDlg::CDeviceSelectDlg(QWidget* parent) : QDialog(parent), m_deviceList(new QListWidget(this)) {
    setObjectName(QStringLiteral("deviceSelectDialog"));
    setWindowTitle(QStringLiteral("Select your bluetooth mobile phone"));
    const QFont font = ui::DialogUnits::TemplateFont(QStringLiteral("System"), 10);
    setFont(font);
    const ui::DialogUnits units(font);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(units.ToPixels(146, 7, 35, 14));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(units.ToPixels(146, 24, 35, 14));
    connect(ok, &QPushButton::clicked, this, &CDeviceSelectDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CDeviceSelectDlg::reject);

    // List mode: names only, flowing down and then into further columns.
    m_deviceList->setObjectName(QStringLiteral("deviceList"));
    m_deviceList->setGeometry(units.ToPixels(7, 7, 135, 84));
    m_deviceList->setViewMode(QListView::ListMode);
    m_deviceList->setFlow(QListView::TopToBottom);
    m_deviceList->setWrapping(true);
    m_deviceList->setResizeMode(QListView::Adjust);
    connectKeyboardAndMouse();
    setFixedSize(units.ToPixels(188, 98));

    m_devices = ReadPhoneDeviceList();
    for (const DeviceRecord& device : m_devices)
        m_deviceList->addItem(QString::fromStdString(device.deviceName));
    watchSerialPorts();
}

void CDeviceSelectDlg::watchSerialPorts() {
    m_ports = serialports::CurrentPortEnumerator();
    if (!m_ports)
        return;
    refreshSerialRows();
    if (m_ports->ChangeFd() < 0)
        return;
    m_portNotifier = new QSocketNotifier(m_ports->ChangeFd(), QSocketNotifier::Read, this);
    connect(m_portNotifier, &QSocketNotifier::activated, this, [this] {
        m_ports->DrainChanges();
        refreshSerialRows();
    });
}

void CDeviceSelectDlg::refreshSerialRows() {
    // Rows come and go without choosing anything: a removed selection starts no search.
    const QSignalBlocker blocker(m_deviceList);
    while (m_deviceList->count() > static_cast<int>(m_devices.size()))
        delete m_deviceList->takeItem(m_deviceList->count() - 1);
    m_serialRows = GroupSerialPorts(m_ports->List());
    for (const SerialDeviceRow& row : m_serialRows)
        m_deviceList->addItem(QString::fromStdString(row.label));
}

void CDeviceSelectDlg::connectKeyboardAndMouse() {
    // A phone chosen with the arrow keys is searched as a clicked one is. A mouse press selects
    // the row (that search starts then) and its click follows: that click is not searched twice.
    connect(m_deviceList, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selected = m_deviceList->selectedItems();
        if (selected.isEmpty())
            return;
        m_rowSearchedOnSelection = m_deviceList->row(selected.first());
        OnClickDeviceList(m_rowSearchedOnSelection);
    });
    connect(m_deviceList, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int row = m_deviceList->row(item);
        if (row == m_rowSearchedOnSelection) {
            m_rowSearchedOnSelection = -1;
            return;
        }
        OnClickDeviceList(row);
    });
    // Enter on the list activates its current row (the one the focus frame is on, selected or
    // not) before it reaches the default button, OK; so Enter chooses that phone.
    connect(m_deviceList, &QListWidget::activated, this, [this](const QModelIndex& index) {
        if (!m_clicked || index.row() != m_chosenRow)
            OnClickDeviceList(index.row());
    });
    // A double click chooses as OK does.
    connect(m_deviceList, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
}

CDeviceSelectDlg::~CDeviceSelectDlg() {
    // No notification may reach this object once its members start to go.
    StopNotifications();
    {
        std::lock_guard lock(m_resultMutex);
        m_resultTaken = true;
    }
    m_discoveryDone.Set();
    m_searchWorker.Join();
    restoreCursor();
}

void CDeviceSelectDlg::OnServiceDiscoveryDone() { m_discoveryDone.Set(); }

void CDeviceSelectDlg::OnClickDeviceList(int row) {
    const int bluetoothRows = static_cast<int>(m_devices.size());
    if (row < 0 || row >= bluetoothRows + static_cast<int>(m_serialRows.size()))
        return;
    // The searches share the result fields, so a second click first lets the earlier search
    // end (it is bounded by its own 3000 ms wait); its result is then replaced.
    m_searchWorker.Join();
    m_searchIsSerial = row >= bluetoothRows;
    if (m_searchIsSerial) {
        m_searchRow = m_serialRows[static_cast<size_t>(row - bluetoothRows)];
        m_phoneAddress = {};
        m_deviceName = m_searchRow.label;
    } else {
        const DeviceRecord& device = m_devices[static_cast<size_t>(row)];
        m_phoneAddress = device.address;
        m_deviceName = device.deviceName;
    }
    m_clicked = true;
    m_chosenRow = row;
    {
        std::lock_guard lock(m_resultMutex);
        // A result belongs to the phone it was searched on: never let an earlier phone's
        // success stand for this one.
        m_serviceFound = false;
        m_serviceName.clear();
        m_serialPort.clear();
        m_serialProblem.clear();
        m_resultTaken = false;
    }
    m_searchDone.Reset();
    m_discoveryDone.Reset();
    m_searchWorker.Start([this] { SerialSearchThread(); });
    if (!m_waitCursor) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    }
}

void CDeviceSelectDlg::SerialSearchThread() {
    if (m_searchIsSerial) {
        // A port that answers AT within a second is the one to use.
        std::string why;
        const std::string port = FindAtPort(m_searchRow, 1000, &why);
        {
            std::lock_guard lock(m_resultMutex);
            if (!m_resultTaken) {
                m_serialPort = port;
                m_serialProblem = why;
                m_serviceFound = !port.empty();
            }
        }
        m_searchDone.Set();
        return;
    }
    const GUID classId = guid_SERVCLASS_SERIAL_PORT;
    if (StartDiscovery(m_phoneAddress, &classId) == 0) {
        // Nothing will come; say so at once rather than leave OK waiting the full time.
        m_searchDone.Set();
        return;
    }
    m_discoveryDone.Wait(kSearchWaitMs);
    const int count = ReadDiscoveryRecords(m_phoneAddress, static_cast<int>(m_sdpRecords.size()), m_sdpRecords.data(),
                                           &classId);
    {
        std::lock_guard lock(m_resultMutex);
        if (!m_resultTaken) {
            if (count > 0) {
                const char* name = m_sdpRecords[0].m_service_name;
                m_serviceName.assign(name, strnlen(name, sizeof m_sdpRecords[0].m_service_name));
            }
            m_serviceFound = count > 0;
        }
    }
    m_searchDone.Set();
}

void CDeviceSelectDlg::accept() {
    const bool searchEnded = m_clicked && m_searchDone.Wait(kSearchWaitMs);
    {
        std::lock_guard lock(m_resultMutex);
        // A search still running after the wait counts as not found, and nothing it does
        // later changes the answer the connect step reads.
        if (!searchEnded)
            m_serviceFound = false;
        m_resultTaken = true;
    }
    QDialog::accept();
}

void CDeviceSelectDlg::done(int result) {
    restoreCursor();
    if (result != QDialog::Accepted) {
        std::lock_guard lock(m_resultMutex);
        m_resultTaken = true;
    }
    // Wake a search that waits for its stack notification; it has nothing left to report.
    if (result != QDialog::Accepted)
        m_discoveryDone.Set();
    QDialog::done(result);
}

void CDeviceSelectDlg::restoreCursor() {
    if (m_waitCursor) {
        QGuiApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
}

DeviceChoice CDeviceSelectDlg::Choice() const {
    DeviceChoice choice;
    std::lock_guard lock(m_resultMutex);
    choice.serviceFound = m_clicked && m_serviceFound;
    choice.phoneAddress = m_phoneAddress;
    choice.deviceName = m_clicked ? m_deviceName : connectstatus::NoPhoneClickedName();
    choice.serviceName = m_serviceName;
    if (m_searchIsSerial) {
        choice.serialDevice = m_serialPort;
        choice.serialProblem = m_serialProblem;
    }
    return choice;
}
