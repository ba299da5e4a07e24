#pragma once
// The dialog (template 140) in which the user picks the phone to work with, once, at the end of
// start-up and on "Connect to phone...". It lists the cellular phones the stack already knows;
// choosing one (click, or arrow keys) searches that phone for its serial-port service on a
// worker thread, and OK (also Enter, or a double click) waits up to 3000 ms for that search
// before the connect step reads the choice.
#include "bluetooth/devicelist.h"
#include "bluetooth/serialrows.h"
#include "btstack/btif.h"
#include "platform/event.h"
#include "platform/worker.h"

#include <QDialog>

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QSocketNotifier;

// What the connect step reads once the dialog closed with OK.
struct DeviceChoice {
    bool serviceFound = false;
    BdAddr phoneAddress{};
    std::string deviceName;  // the phone last clicked, or a note that none was
    std::string serviceName; // of the first serial-port record found
    // A phone or modem on a serial port was chosen: its port that answered AT. The connection
    // is made to it directly, with no service search.
    std::string serialDevice;
    std::string serialProblem; // why no port of the chosen serial device could be asked
};

class CDeviceSelectDlg : public QDialog, public CBtIf {
    Q_OBJECT
public:
    static constexpr uint32_t kSearchWaitMs = 3000;

    explicit CDeviceSelectDlg(QWidget* parent = nullptr);
    ~CDeviceSelectDlg() override;

    void OnServiceDiscoveryDone() override;

    // A click on a row: starts the serial-port search of that phone. Beside the rows
    // (row < 0 or past the end) nothing happens and the previous choice stays.
    void OnClickDeviceList(int row);
    // Valid after exec() returned Accepted: the search has ended or been given up by then.
    DeviceChoice Choice() const;

    const std::vector<DeviceRecord>& Devices() const { return m_devices; }
    const std::vector<SerialDeviceRow>& SerialDevices() const { return m_serialRows; }
    QListWidget* DeviceList() const { return m_deviceList; }

    // OK: waits for the last search (at most 3000 ms), then closes.
    void accept() override;
    // Every way of closing comes through here: the cursor is restored and a search still
    // running is told that nobody will read its result.
    void done(int result) override;

private:
    void SerialSearchThread();
    void restoreCursor();
    void connectKeyboardAndMouse();
    // The serial rows follow the Bluetooth ones, and follow plug and unplug while the dialog is open.
    void watchSerialPorts();
    void refreshSerialRows();

    platform::Event m_searchDone;
    platform::Event m_discoveryDone;
    BdAddr m_phoneAddress{};
    std::string m_deviceName;
    bool m_clicked = false;
    bool m_waitCursor = false;
    int m_chosenRow = -1;
    int m_rowSearchedOnSelection = -1; // its click, following the press that selected it, is no new search

    // Written by the search worker, read by the GUI thread once the search is over.
    mutable std::mutex m_resultMutex;
    std::string m_serviceName;
    std::string m_serialPort;
    std::string m_serialProblem;
    bool m_serviceFound = false;
    bool m_resultTaken = false;

    std::vector<DeviceRecord> m_devices;
    std::vector<SerialDeviceRow> m_serialRows;
    bool m_searchIsSerial = false; // the running or last search probes m_searchRow's ports
    SerialDeviceRow m_searchRow;
    std::shared_ptr<serialports::PortEnumerator> m_ports;
    QSocketNotifier* m_portNotifier = nullptr;
    std::array<CSdpDiscoveryRec, 20> m_sdpRecords;
    QListWidget* m_deviceList;
    // Declared last so it is joined before anything it touches goes away.
    platform::Worker m_searchWorker;
};
