#include "btstack/obexpush.h"

#include <cstdint>
#include <cstdio>

#include "obex/codec.h"

int PushSessionLimitMs(int64_t bytes) {
    const int64_t ms = 60000 + (bytes < 0 ? 0 : bytes) * 1000 / 4096;
    return int(ms > INT32_MAX ? INT32_MAX : ms);
}

std::string ObexFailureSentence(tOBEX_ERRORS status, uint8_t responseCode) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", responseCode);
    switch (status) {
    case OBEX_SUCCESS:
        return "the picture was sent";
    case OBEX_ERROR_RESPONSE: {
        std::string name = obex::ResponseName(responseCode);
        // An unnamed code already reads "response 0xNN".
        if (name.rfind("response ", 0) == 0)
            return "the phone refused the picture with " + name;
        return "the phone refused the picture: " + name + " (" + hex + ")";
    }
    case OBEX_ERROR_TIMEOUT:
        return "the phone stopped answering";
    case OBEX_ERROR_PEER_DROPPED:
        return "the phone closed the connection in the middle of the push";
    case OBEX_ERROR_PROTOCOL:
        return "the phone's answer did not follow the OBEX protocol (malformed, too long, or not "
               "the answer to "
               "the request sent), so the push cannot be trusted";
    case OBEX_ERROR_TRANSPORT:
        return "the phone's object push service could not be reached";
    case OBEX_ERROR_CANCELLED:
        return "the push was cancelled";
    case OBEX_ERROR_NOT_OPEN:
        return "the connection to the phone is not open";
    case OBEX_ERROR_ALREADY_OPEN:
        return "a connection to the phone is already open";
    case OBEX_ERROR_BUSY:
        return "the Bluetooth stack is busy with another request";
    case OBEX_ERROR_INVALID_PARAM:
        return "the push request was invalid";
    case OBEX_ERROR_NO_STACK:
        return "no Bluetooth stack is available";
    }
    return "the push failed (OBEX status " + std::to_string(int(status)) + ")";
}
