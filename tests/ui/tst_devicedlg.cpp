// The device dialog on its own: searches, the wait for them, and closing while one runs.
#include "testsupport.h"

#include "bluetooth/deviceselectdlg.h"
#include "btstack/backend.h"
#include "obex/transport.h"
#include "platform/event.h"

#include <QListWidget>

namespace {

// One phone whose service search takes as long as the test wants.
class SlowBackend : public btstack::Backend {
public:
    platform::Event release{true};
    std::string Name() const override { return "slow"; }
    std::vector<btstack::DeviceEntry> Devices() override {
        return {{{0x00, 0x80, 0x37, 0x01, 0x02, 0x03}, "Slow phone", {0x52, 0x02, 0x04}},
                {{0x00, 0x80, 0x37, 0x04, 0x05, 0x06}, "Other phone", {0x52, 0x02, 0x04}}};
    }
    bool SearchServices(const BdAddr& address, const GUID& serviceClass, std::vector<btstack::ServiceRecord>* records,
                        std::string*) override {
        release.Wait(10000);
        if (address[5] == 0x03) // only the first phone offers a serial port
            records->push_back({"Serial Port", serviceClass, 1});
        return true;
    }
    SPP_CLIENT_RETURN_CODE CheckSerial(const BdAddr&, const std::string&) override { return SPP_CLIENT_CONNECT_FAILED; }
    btstack::SerialOpenResult OpenSerial(const BdAddr&, const std::string&, std::function<void()>) override {
        return {};
    }
    std::unique_ptr<obex::Transport> OpenObex(const BdAddr&, uint8_t, std::string*) override { return nullptr; }
};

} // namespace

class DeviceDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void searchResultBelongsToLastClickedPhone();
    void okGivesUpOnSearchThatOutlastsWait();
    void closingDuringSearchLeavesNothingBehind();
    void keyboardAndDoubleClickChoose();

private:
    std::shared_ptr<SlowBackend> m_backend;
};

void DeviceDialogTest::init() {
    m_backend = std::make_shared<SlowBackend>();
    btstack::SetBackend(m_backend);
}

void DeviceDialogTest::cleanup() {
    m_backend->release.Set();
    btstack::SetBackend(nullptr);
    QVERIFY(!QGuiApplication::overrideCursor());
}

void DeviceDialogTest::searchResultBelongsToLastClickedPhone() {
    m_backend->release.Set();
    CDeviceSelectDlg dialog;
    QCOMPARE(dialog.DeviceList()->count(), 2);
    dialog.OnClickDeviceList(-1); // beside the rows
    dialog.OnClickDeviceList(2);
    QVERIFY(!QGuiApplication::overrideCursor());
    dialog.OnClickDeviceList(0);
    dialog.OnClickDeviceList(1); // the second phone has no serial port
    dialog.accept();
    const DeviceChoice choice = dialog.Choice();
    QCOMPARE(choice.deviceName, std::string("Other phone"));
    QVERIFY(!choice.serviceFound);
    QVERIFY(choice.serviceName.empty());
}

void DeviceDialogTest::okGivesUpOnSearchThatOutlastsWait() {
    CDeviceSelectDlg dialog;
    dialog.OnClickDeviceList(0);
    QVERIFY(QGuiApplication::overrideCursor());
    dialog.accept(); // waits its 3000 ms, the search still running
    m_backend->release.Set();
    const DeviceChoice choice = dialog.Choice();
    QCOMPARE(choice.deviceName, std::string("Slow phone"));
    QVERIFY(!choice.serviceFound);
}

void DeviceDialogTest::closingDuringSearchLeavesNothingBehind() {
    {
        auto dialog = std::make_unique<CDeviceSelectDlg>();
        dialog->show();
        dialog->OnClickDeviceList(0);
        dialog->reject();
        QVERIFY(!QGuiApplication::overrideCursor());
        dialog.reset(); // the worker is joined; the stack is still busy with the search
    }
    m_backend->release.Set();
    // A fresh dialog on the same stack still works once the phone answers.
    CDeviceSelectDlg dialog;
    dialog.OnClickDeviceList(0);
    dialog.accept();
    QVERIFY(dialog.Choice().serviceFound);
    QCOMPARE(dialog.Choice().serviceName, std::string("Serial Port"));
}

void DeviceDialogTest::keyboardAndDoubleClickChoose() {
    m_backend->release.Set();
    {
        // Arrow keys search the phone they land on; Enter is OK.
        CDeviceSelectDlg dialog;
        dialog.show();
        QListWidget* list = dialog.DeviceList();
        list->setFocus();
        list->setCurrentRow(1);
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Choice().deviceName, std::string("Slow phone"));
        QVERIFY(dialog.Choice().serviceFound);
    }
    {
        CDeviceSelectDlg dialog;
        dialog.show();
        QListWidget* list = dialog.DeviceList();
        const QPoint at = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.Choice().serviceFound);
    }
}

HARLUNE_TEST_MAIN(DeviceDialogTest)
#include "tst_devicedlg.moc"
