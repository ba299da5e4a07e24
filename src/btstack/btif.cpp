#include "btstack/btif.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "btstack/backend.h"
#include "btstack/notifyqueue.h"
#include "btstack/servicecache.h"
#include "platform/debuglog.h"

CSdpDiscoveryRec::CSdpDiscoveryRec() { m_service_name[0] = '\0'; }

bool CSdpDiscoveryRec::FindRFCommScn(uint8_t* scn) const {
    if (!scn || m_rfcommChannel < 0 || m_rfcommChannel > 255)
        return false;
    *scn = uint8_t(m_rfcommChannel);
    return true;
}

std::string_view CSdpDiscoveryRec::ServiceName() const { return m_service_name; }

void CSdpDiscoveryRec::Assign(std::string_view serviceName, const GUID& serviceClass, int rfcommChannel) {
    // A peer's over-long name is cut at the buffer, never past it.
    const size_t n = std::min(serviceName.size(), kMaxServiceName - 1);
    std::memcpy(m_service_name, serviceName.data(), n);
    m_service_name[n] = '\0';
    m_serviceClass = serviceClass;
    m_rfcommChannel = rfcommChannel;
}

CBtIf::CBtIf() : m_queue(std::make_unique<btstack::NotifyQueue>()) {}

CBtIf::~CBtIf() { StopNotifications(); }

void CBtIf::StopNotifications() { m_queue->Stop(); }

int CBtIf::StartDiscovery(const BdAddr& address, const GUID* classId) {
    if (!classId)
        return 0;
    std::shared_ptr<btstack::Backend> backend = btstack::CurrentBackend();
    if (!backend)
        return 0;
    const GUID serviceClass = *classId;
    bool posted = m_queue->Post([this, backend, address, serviceClass] {
        std::vector<btstack::ServiceRecord> records;
        std::string error;
        if (!backend->SearchServices(address, serviceClass, &records, &error)) {
            platform::DebugLog("stack: service search failed: " + error);
            records.clear();
        }
        platform::DebugLog("stack: service search done, " + std::to_string(records.size()) + " record(s)");
        btstack::ServiceCache::Instance().Store(address, serviceClass, std::move(records));
        OnServiceDiscoveryDone();
    });
    return posted ? 1 : 0;
}

int CBtIf::ReadDiscoveryRecords(const BdAddr& address, int maxRecords, CSdpDiscoveryRec* records,
                                const GUID* classId) {
    if (!records || !classId || maxRecords <= 0)
        return 0;
    std::vector<btstack::ServiceRecord> found = btstack::ServiceCache::Instance().Find(address, *classId);
    const int n = std::min<int>(maxRecords, int(found.size()));
    for (int i = 0; i < n; ++i)
        records[i].Assign(found[size_t(i)].serviceName, found[size_t(i)].serviceClass, found[size_t(i)].rfcommChannel);
    return n;
}

void CBtIf::OnDeviceResponded(const BdAddr&, const DevClass&, const char*, bool) {}
void CBtIf::OnInquiryComplete(bool, short) {}
void CBtIf::OnServiceDiscoveryDone() {}
