#pragma once
// The results of finished service searches, stack-wide, as a stack's SDP database keeps them:
// a search made through one object can be read back through another.
#include <array>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "btstack/backend.h"

namespace btstack {

class ServiceCache {
public:
    static ServiceCache& Instance();
    void Store(const BdAddr& address, const GUID& serviceClass, std::vector<ServiceRecord> records);
    std::vector<ServiceRecord> Find(const BdAddr& address, const GUID& serviceClass) const;
    void Clear();

private:
    using Key = std::pair<BdAddr, std::array<uint8_t, 16>>;
    static Key keyOf(const BdAddr& address, const GUID& serviceClass);
    mutable std::mutex m_mutex;
    std::map<Key, std::vector<ServiceRecord>> m_records;
};

} // namespace btstack
