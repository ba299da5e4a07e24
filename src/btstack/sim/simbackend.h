#pragma once
// The demo backend: three devices that are always "known", the first of them an emulated
// cellular phone served by phonesim over a pseudo-terminal, with an OBEX push receiver that
// stores what it gets in a folder.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "btstack/backend.h"

namespace phonesim {
class Phone;
}
namespace obex {
class PushServer;
}

namespace btstack {

struct SimOptions {
    // Where the phones keep their state between runs; empty: platform::UserDataDir().
    std::string dataDir;
    // Where pushed objects are stored; empty: <dataDir>/received.
    std::string receivedDir;
    // The OBEX receiver's announced maximum packet length.
    uint16_t obexMaxPacket = 0x2000;
    // COM port number of the first phone's link; the second phone gets the next one.
    int firstComPort = 5;
};

struct SimDevice {
    DeviceEntry entry;
    std::vector<ServiceRecord> services;
    std::string stateFileName; // empty: the device has no AT phone behind its serial service
};

class SimBackend : public Backend {
public:
    explicit SimBackend(SimOptions options = {});
    ~SimBackend() override;

    // The demo device list: "T68 demo phone" 00:80:37:1a:2b:3c (52 02 04), "T39 demo phone"
    // 00:80:37:4d:5e:6f (5a 02 04), "Demo headset" 00:0a:95:01:02:03 (20 04 04).
    static std::vector<SimDevice> DemoDevices();
    static BdAddr DemoPhoneAddress();

    std::string Name() const override { return "sim"; }
    std::vector<DeviceEntry> Devices() override;
    bool SearchServices(const BdAddr& address, const GUID& serviceClass, std::vector<ServiceRecord>* records,
                        std::string* error) override;
    SPP_CLIENT_RETURN_CODE CheckSerial(const BdAddr& address, const std::string& serviceName) override;
    SerialOpenResult OpenSerial(const BdAddr& address, const std::string& serviceName,
                                std::function<void()> onGone) override;
    std::unique_ptr<obex::Transport> OpenObex(const BdAddr& address, uint8_t channel, std::string* error) override;

    // Test hooks.
    // The next OpenSerial fails with this code (once).
    void FailNextConnect(SPP_CLIENT_RETURN_CODE code);
    // The phone's side drops the serial link, as a phone that goes out of range.
    bool DropSerialLink(const BdAddr& address);
    // The next OBEX session refuses PUTs with this response code, or drops after the given
    // number of PUT packets (once each).
    void RefuseNextPush(uint8_t responseCode);
    void DropNextPushAfter(int putPackets);
    // PUT packets the receiver took over all sessions.
    int PushPutRequests() const;
    const SimOptions& Options() const { return m_options; }
    std::string DataDir() const;
    // Why the last demo phone opened runs without its state file (unreadable, or held by another
    // program), once; empty when all is well.
    std::string TakeStateFileNotice();
    std::string TakeNotice() override { return TakeStateFileNotice(); }
    std::string ReceivedDir() const;

private:
    struct LinkState;
    class Link;
    const SimDevice* findDevice(const BdAddr& address) const;
    std::shared_ptr<phonesim::Phone> phoneFor(const SimDevice& device);
    int comPortFor(const BdAddr& address) const;
    void reapPushServers();

    SimOptions m_options;
    std::vector<SimDevice> m_devices;
    mutable std::mutex m_mutex;
    std::map<BdAddr, std::shared_ptr<phonesim::Phone>> m_phones;
    std::string m_stateNotice; // why a phone's state file is not used, until taken
    std::map<BdAddr, std::weak_ptr<LinkState>> m_links;
    std::optional<SPP_CLIENT_RETURN_CODE> m_failNextConnect;
    std::optional<uint8_t> m_refuseNextPush;
    std::optional<int> m_dropNextPushAfter;
    std::vector<std::unique_ptr<obex::PushServer>> m_pushServers;
    int m_reapedPutRequests = 0;
};

} // namespace btstack
