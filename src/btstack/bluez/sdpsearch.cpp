#include "btstack/bluez/sdpsearch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <bluetooth/bluetooth.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>

namespace btstack::bluez {

namespace {

uuid_t toUuid(const GUID& g) {
    uuid_t uuid{};
    GUID base = GuidFromShortUuid(g.Data1);
    if (base == g && g.Data1 <= 0xFFFF) {
        sdp_uuid16_create(&uuid, uint16_t(g.Data1));
    } else if (base == g) {
        sdp_uuid32_create(&uuid, g.Data1);
    } else {
        uint8_t bytes[16] = {uint8_t(g.Data1 >> 24), uint8_t(g.Data1 >> 16), uint8_t(g.Data1 >> 8), uint8_t(g.Data1),
                             uint8_t(g.Data2 >> 8),  uint8_t(g.Data2),       uint8_t(g.Data3 >> 8), uint8_t(g.Data3)};
        std::memcpy(bytes + 8, g.Data4, 8);
        sdp_uuid128_create(&uuid, bytes);
    }
    return uuid;
}

std::string connectError(int err) {
    switch (err) {
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ETIMEDOUT:
        return "the device did not answer the service search (switched off, out of range, or Bluetooth off on "
               "it?)";
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
        return "this system has no Bluetooth support (kernel module bluetooth not loaded)";
    case ENODEV:
    case ENETDOWN:
        return "no Bluetooth adapter is powered on";
    default:
        return std::string("cannot reach the device's service directory: ") + std::strerror(err);
    }
}

struct Session {
    sdp_session_t* s = nullptr;
    ~Session() {
        if (s)
            sdp_close(s);
    }
};

struct RecordList {
    sdp_list_t* list = nullptr;
    ~RecordList() {
        if (list)
            sdp_list_free(list, [](void* record) { FreeRecord(static_cast<sdp_record_t*>(record)); });
    }
};

struct UuidList {
    sdp_list_t* list = nullptr;
    ~UuidList() {
        if (list)
            sdp_list_free(list, nullptr);
    }
};

} // namespace

std::vector<SdpRecordInfo> RecordsOfClass(std::vector<SdpRecordInfo> records, const GUID& serviceClass) {
    std::erase_if(records, [&](const SdpRecordInfo& r) {
        return std::none_of(r.serviceClasses.begin(), r.serviceClasses.end(),
                            [&](const GUID& g) { return g == serviceClass; });
    });
    return records;
}

bool SearchSdp(const BdAddr& address, const GUID& serviceClass, int connectTimeoutMs,
               std::vector<SdpRecordInfo>* records, std::string* error) {
    bdaddr_t any{};
    bdaddr_t remote = ToBdaddr(address);
    Session session;
    // Non-blocking, so the connect (a page of the device, several seconds when it is away) can
    // be bounded here rather than by the kernel's own, much longer, limit.
    errno = 0;
    session.s = sdp_connect(&any, &remote, SDP_NON_BLOCKING | SDP_RETRY_IF_BUSY);
    if (!session.s) {
        *error = connectError(errno ? errno : EHOSTUNREACH);
        return false;
    }
    const int fd = sdp_get_socket(session.s);
    pollfd pfd{fd, POLLOUT, 0};
    int n;
    do
        n = ::poll(&pfd, 1, connectTimeoutMs);
    while (n < 0 && errno == EINTR);
    if (n == 0) {
        *error = connectError(ETIMEDOUT);
        return false;
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    if (n < 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) < 0)
        soError = errno;
    if (soError != 0) {
        *error = connectError(soError);
        return false;
    }
    // The request/response exchange waits with its own bounded poll; blocking sends are fine.
    if (int flags = ::fcntl(fd, F_GETFL); flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    uuid_t uuid = toUuid(serviceClass);
    UuidList search;
    search.list = sdp_list_append(nullptr, &uuid);
    uint32_t range = 0x0000FFFF;
    UuidList attributes;
    attributes.list = sdp_list_append(nullptr, &range);
    RecordList found;
    if (!search.list || !attributes.list ||
        sdp_service_search_attr_req(session.s, search.list, SDP_ATTR_REQ_RANGE, attributes.list, &found.list) < 0) {
        *error = std::string("the device's service search failed: ") + std::strerror(errno ? errno : EIO);
        return false;
    }
    std::vector<SdpRecordInfo> all;
    for (sdp_list_t* item = found.list; item; item = item->next)
        all.push_back(RecordInfoOf(*static_cast<const sdp_record_t*>(item->data)));
    *records = RecordsOfClass(std::move(all), serviceClass);
    return true;
}

} // namespace btstack::bluez
