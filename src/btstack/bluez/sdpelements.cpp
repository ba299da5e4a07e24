#include "btstack/bluez/sdpelements.h"

#include <cstdlib>
#include <cstring>

#include <bluetooth/sdp_lib.h>

namespace btstack::bluez {

namespace {

GUID guidOf(const uuid_t& uuid) {
    switch (uuid.type) {
    case SDP_UUID16: return GuidFromShortUuid(uuid.value.uuid16);
    case SDP_UUID32: return GuidFromShortUuid(uuid.value.uuid32);
    default: {
        const uint8_t* b = reinterpret_cast<const uint8_t*>(&uuid.value.uuid128);
        GUID g{};
        g.Data1 = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
        g.Data2 = uint16_t(b[4] << 8 | b[5]);
        g.Data3 = uint16_t(b[6] << 8 | b[7]);
        std::memcpy(g.Data4, b + 8, 8);
        return g;
    }
    }
}

// The RFCOMM channel of a protocol descriptor list: a sequence of protocol descriptors, each a
// sequence of the protocol's UUID and its parameters, or an alternative of several such lists
// (the first RFCOMM channel found counts). libbluetooth's own sdp_get_access_protos does not look
// into alternatives, and some phones send the channel as a 16-bit integer.
int rfcommChannelOf(const sdp_data_t* list) {
    if (!list)
        return -1;
    if (SDP_IS_ALT(list->dtd)) {
        for (const sdp_data_t* stack = list->val.dataseq; stack; stack = stack->next)
            if (const int channel = rfcommChannelOf(stack); channel != -1)
                return channel;
        return -1;
    }
    if (!SDP_IS_SEQ(list->dtd))
        return -1;
    for (const sdp_data_t* descriptor = list->val.dataseq; descriptor; descriptor = descriptor->next) {
        if (!SDP_IS_SEQ(descriptor->dtd))
            continue;
        const sdp_data_t* id = descriptor->val.dataseq;
        if (!id || !SDP_IS_UUID(id->dtd) || sdp_uuid_to_proto(const_cast<uuid_t*>(&id->val.uuid)) != RFCOMM_UUID)
            continue;
        const sdp_data_t* parameter = id->next;
        int channel = -1;
        if (parameter && parameter->dtd == SDP_UINT8)
            channel = parameter->val.uint8;
        else if (parameter && parameter->dtd == SDP_UINT16)
            channel = parameter->val.uint16;
        // RFCOMM server channels are 1 to 30; anything else is no channel to connect to.
        return channel >= 1 && channel <= 30 ? channel : -1;
    }
    return -1;
}

// Frees what alternatives below `data` hold and empties them, so that libbluetooth's own free
// of the tree (which walks sequences but not alternatives) leaves nothing behind.
void releaseAlternatives(sdp_data_t* data) {
    if (!data || !(SDP_IS_SEQ(data->dtd) || SDP_IS_ALT(data->dtd)))
        return;
    for (sdp_data_t* child = data->val.dataseq; child; child = child->next)
        releaseAlternatives(child);
    if (!SDP_IS_ALT(data->dtd))
        return;
    for (sdp_data_t* child = data->val.dataseq; child;) {
        sdp_data_t* next = child->next;
        sdp_data_free(child);
        child = next;
    }
    data->val.dataseq = nullptr;
}

} // namespace

void FreeRecord(sdp_record_t* record) {
    if (!record)
        return;
    for (sdp_list_t* item = record->attrlist; item; item = item->next)
        releaseAlternatives(static_cast<sdp_data_t*>(item->data));
    sdp_record_free(record);
}

SdpRecordInfo RecordInfoOf(const sdp_record_t& record) {
    // libbluetooth's getters take a non-const record but only read it.
    auto* rec = const_cast<sdp_record_t*>(&record);
    SdpRecordInfo info;
    // A name with a zero inside (some phones count the terminator into the length: "OBEX
    // Object Push\0") is cut there. libbluetooth zero-terminates the texts it extracts, but not
    // those set on a record it built, so the text's own size bounds the read.
    if (const sdp_data_t* name = sdp_data_get(rec, SDP_ATTR_SVCNAME_PRIMARY);
        name && SDP_IS_TEXT_STR(name->dtd) && name->val.str && name->unitSize > 1)
        info.serviceName.assign(name->val.str, strnlen(name->val.str, size_t(name->unitSize) - 1));

    sdp_list_t* classes = nullptr;
    if (sdp_get_service_classes(rec, &classes) == 0) {
        for (sdp_list_t* item = classes; item; item = item->next)
            info.serviceClasses.push_back(guidOf(*static_cast<const uuid_t*>(item->data)));
        sdp_list_free(classes, std::free);
    }

    info.rfcommChannel = rfcommChannelOf(sdp_data_get(rec, SDP_ATTR_PROTO_DESC_LIST));
    return info;
}

GUID GuidFromShortUuid(uint32_t shortUuid) {
    GUID g = MakeBluetoothServiceClass(0);
    g.Data1 = shortUuid;
    return g;
}

bdaddr_t ToBdaddr(const BdAddr& address) {
    bdaddr_t b{};
    for (int i = 0; i < 6; ++i)
        b.b[i] = address[5 - i];
    return b;
}

BdAddr FromBdaddr(const bdaddr_t& b) {
    BdAddr address{};
    for (int i = 0; i < 6; ++i)
        address[i] = b.b[5 - i];
    return address;
}

} // namespace btstack::bluez
