#include "btstack/sppclient.h"

#include <cstring>

#include "btstack/backend.h"
#include "btstack/notifyqueue.h"
#include "platform/debuglog.h"

namespace {
constexpr size_t kMaxServiceNameLength = 255;
}

CSppClient::CSppClient() : m_queue(std::make_unique<btstack::NotifyQueue>()) {}

CSppClient::~CSppClient() {
    StopNotifications();
    std::unique_ptr<btstack::SerialLink> link;
    {
        std::lock_guard lock(m_mutex);
        link = std::move(m_link);
        ++m_generation;
    }
    // Destroyed outside the lock: it waits for a "gone" report in progress, which takes the
    // lock. The COM name stays: the registry may already be gone at process exit.
    link.reset();
}

void CSppClient::StopNotifications() { m_queue->Stop(); }

void CSppClient::notify(const LinkInfo& info, int16_t comPort, int state) {
    platform::DebugLog("stack: serial link to " + info.deviceName + (state == SPP_STATE_CONNECTED ? " connected on COM" + std::to_string(comPort) : " disconnected"));
    OnSppStateChange(info.address, info.devClass, info.deviceName, comPort, state);
}

SPP_CLIENT_RETURN_CODE CSppClient::CreateConnection(const BdAddr& address, const char* serviceName) {
    if (!serviceName || !*serviceName || std::strlen(serviceName) > kMaxServiceNameLength)
        return SPP_CLIENT_INVALID_PARAMETER;
    const std::string name(serviceName);
    std::shared_ptr<btstack::Backend> backend = btstack::CurrentBackend();
    if (!backend)
        return SPP_CLIENT_NO_STACK;

    std::lock_guard lock(m_mutex);
    if (m_link || m_connecting)
        return SPP_CLIENT_ALREADY_CONNECTED;
    if (SPP_CLIENT_RETURN_CODE rc = backend->CheckSerial(address, name); rc != SPP_CLIENT_SUCCESS)
        return rc;
    LinkInfo info;
    info.address = address;
    btstack::DeviceEntry entry;
    if (backend->FindDevice(address, &entry)) {
        info.devClass = entry.devClass;
        info.deviceName = entry.name;
    }
    const uint64_t generation = ++m_generation;
    m_connecting = true;
    m_cancelConnect = false;
    bool posted = m_queue->Post([this, backend, info, name, generation] {
        btstack::SerialOpenResult opened =
            backend->OpenSerial(info.address, name, [this, generation] { linkGone(generation); });
        std::unique_ptr<btstack::SerialLink> dropNow;
        int16_t port = 0;
        int state = SPP_STATE_DISCONNECTED;
        {
            std::lock_guard lock(m_mutex);
            m_connecting = false;
            m_lastConnectError = opened.code == SPP_CLIENT_SUCCESS && opened.link
                                     ? std::string()
                                     : (opened.error.empty() ? "the serial link could not be opened" : opened.error);
            if (!m_lastConnectError.empty())
                platform::DebugLog("stack: serial link failed: " + m_lastConnectError);
            if (opened.code == SPP_CLIENT_SUCCESS && opened.link) {
                port = opened.link->ComPort();
                if (m_cancelConnect) {
                    dropNow = std::move(opened.link);
                } else {
                    m_link = std::move(opened.link);
                    m_linkBackend = backend;
                    m_linkInfo = info;
                    state = SPP_STATE_CONNECTED;
                }
            }
            m_cancelConnect = false;
        }
        if (dropNow) {
            dropNow->UnregisterComName();
            dropNow.reset();
        }
        notify(info, port, state);
    });
    if (!posted) {
        m_connecting = false;
        return SPP_CLIENT_CONNECT_FAILED;
    }
    return SPP_CLIENT_SUCCESS;
}

namespace {

// Ends a link: its COM name goes first, then the link. The port it had, for the notification.
int16_t CloseLink(std::unique_ptr<btstack::SerialLink> link) {
    const int16_t port = link->ComPort();
    link->UnregisterComName();
    link.reset();
    return port;
}

} // namespace

SPP_CLIENT_RETURN_CODE CSppClient::RemoveConnection() {
    std::unique_ptr<btstack::SerialLink> link;
    LinkInfo info;
    {
        std::lock_guard lock(m_mutex);
        if (m_connecting) {
            // The pending connect reports "disconnected" once it has dropped what it opened.
            m_cancelConnect = true;
            return SPP_CLIENT_SUCCESS;
        }
        if (!m_link)
            return SPP_CLIENT_NOT_CONNECTED;
        link = std::move(m_link);
        info = m_linkInfo;
        ++m_generation;
    }
    // Dropped here rather than on the stack thread, so that a CreateConnection right after
    // this call finds the phone's serial service free again.
    const int16_t port = CloseLink(std::move(link));
    m_queue->Post([this, info, port] { notify(info, port, SPP_STATE_DISCONNECTED); });
    return SPP_CLIENT_SUCCESS;
}

void CSppClient::linkGone(uint64_t generation) {
    // Called on a backend thread; the link is dropped on the stack thread, since its destructor
    // waits for this very call to return.
    m_queue->Post([this, generation] {
        std::unique_ptr<btstack::SerialLink> link;
        LinkInfo info;
        {
            std::lock_guard lock(m_mutex);
            if (generation != m_generation || !m_link)
                return;
            link = std::move(m_link);
            info = m_linkInfo;
            ++m_generation;
        }
        notify(info, CloseLink(std::move(link)), SPP_STATE_DISCONNECTED);
    });
}

void CSppClient::OnSppStateChange(const BdAddr&, const DevClass&, const std::string&, int16_t, int) {}

std::string CSppClient::LastConnectError() const {
    std::lock_guard lock(m_mutex);
    return m_lastConnectError;
}
