#include "btstack/servicecache.h"

#include <cstring>

namespace btstack {

ServiceCache& ServiceCache::Instance() {
    // Never destroyed: stack objects that are globals may still read it at process exit.
    static ServiceCache* cache = new ServiceCache;
    return *cache;
}

ServiceCache::Key ServiceCache::keyOf(const BdAddr& address, const GUID& serviceClass) {
    std::array<uint8_t, 16> bytes{};
    std::memcpy(bytes.data(), &serviceClass.Data1, 4);
    std::memcpy(bytes.data() + 4, &serviceClass.Data2, 2);
    std::memcpy(bytes.data() + 6, &serviceClass.Data3, 2);
    std::memcpy(bytes.data() + 8, serviceClass.Data4, 8);
    return {address, bytes};
}

void ServiceCache::Store(const BdAddr& address, const GUID& serviceClass, std::vector<ServiceRecord> records) {
    std::lock_guard lock(m_mutex);
    m_records[keyOf(address, serviceClass)] = std::move(records);
}

std::vector<ServiceRecord> ServiceCache::Find(const BdAddr& address, const GUID& serviceClass) const {
    std::lock_guard lock(m_mutex);
    auto it = m_records.find(keyOf(address, serviceClass));
    return it == m_records.end() ? std::vector<ServiceRecord>{} : it->second;
}

void ServiceCache::Clear() {
    std::lock_guard lock(m_mutex);
    m_records.clear();
}

} // namespace btstack
