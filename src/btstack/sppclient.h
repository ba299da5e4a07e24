#pragma once
// Serial-port-profile client: asks the stack for a serial link to a phone's serial service;
// the link appears as a COM port (registered under HARDWARE\DEVICEMAP\SERIALCOMM), whose
// number arrives with the connected-state notification. Thread and lifetime rules: btif.h.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "btstack/bttypes.h"

namespace btstack {
class NotifyQueue;
class Backend;
class SerialLink;
}

class CSppClient {
public:
    CSppClient();
    // Stops notifications and drops a link that is still up, without a notification.
    virtual ~CSppClient();
    CSppClient(const CSppClient&) = delete;
    CSppClient& operator=(const CSppClient&) = delete;

    // SPP_CLIENT_SUCCESS: the request was accepted and OnSppStateChange follows (connected,
    // or disconnected when the link failed after all). 1: the device is unknown or has no
    // serial service of that name. 2: this client is connected, or the phone's serial
    // service is held by another client. Other codes: see SPP_CLIENT_RETURN_CODE.
    SPP_CLIENT_RETURN_CODE CreateConnection(const BdAddr& address, const char* serviceName);
    // Drops the link; OnSppStateChange(disconnected) follows. SPP_CLIENT_NOT_CONNECTED (and no
    // notification) when there is none.
    SPP_CLIENT_RETURN_CODE RemoveConnection();

    // The connection-state notification. devClass and deviceName are informative (the device
    // list's values); comPort is the COM port number of the link (also given on disconnect).
    virtual void OnSppStateChange(const BdAddr& address, const DevClass& devClass,
                                  const std::string& deviceName, int16_t comPort, int state);

    void StopNotifications();

    // Why the last connection request did not connect, in plain words from the backend (for
    // example what to do when the process may not create an RFCOMM TTY); empty after a
    // connection was made. Safe to call from the state notification.
    std::string LastConnectError() const;

private:
    struct LinkInfo {
        BdAddr address{};
        DevClass devClass{};
        std::string deviceName;
    };
    void linkGone(uint64_t generation);
    void notify(const LinkInfo& info, int16_t comPort, int state);

    std::unique_ptr<btstack::NotifyQueue> m_queue;
    mutable std::mutex m_mutex; // guards the fields below: the phone can go away on a backend thread
    std::shared_ptr<btstack::Backend> m_linkBackend; // the backend m_link came from
    std::unique_ptr<btstack::SerialLink> m_link;
    LinkInfo m_linkInfo;
    bool m_connecting = false;    // a CreateConnection is being carried out
    bool m_cancelConnect = false; // RemoveConnection came while it was
    uint64_t m_generation = 0;    // tells a stale "gone" report from one about the current link
    std::string m_lastConnectError;
};
