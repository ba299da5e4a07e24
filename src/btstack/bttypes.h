#pragma once
// Value types and result codes shared by the Bluetooth stack classes.
#include <array>
#include <cstdint>

// Bluetooth device address, first byte first (the most significant byte of the usual notation).
using BdAddr = std::array<uint8_t, 6>;
// Class of device, three bytes, most significant first (52 02 04 is a cellular phone).
using DevClass = std::array<uint8_t, 3>;

// A 128-bit class id with the usual GUID field split.
struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];

    friend constexpr bool operator==(const GUID& a, const GUID& b) {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
            return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i])
                return false;
        return true;
    }
};

// 16-bit Bluetooth service class numbers on the Bluetooth base UUID. constexpr so that copies
// taken during static initialisation in other files never see them unset.
constexpr GUID MakeBluetoothServiceClass(uint16_t shortUuid) {
    return GUID{shortUuid, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
}
inline constexpr GUID guid_SERVCLASS_SERIAL_PORT = MakeBluetoothServiceClass(0x1101);
inline constexpr GUID guid_SERVCLASS_OBEX_OBJECT_PUSH = MakeBluetoothServiceClass(0x1105);
inline constexpr GUID guid_SERVCLASS_HEADSET = MakeBluetoothServiceClass(0x1108);

// Result of CSppClient::CreateConnection / RemoveConnection. 0, 1 and 2 are what callers test
// for; the rest are shown to the user as a number.
enum SPP_CLIENT_RETURN_CODE : int {
    SPP_CLIENT_SUCCESS = 0,
    SPP_CLIENT_SERVER_NOT_EXIST = 1,   // no such device, or it has no serial service of that name
    SPP_CLIENT_ALREADY_CONNECTED = 2,  // this client, or another one, holds the phone's serial link
    SPP_CLIENT_NOT_CONNECTED = 3,      // RemoveConnection without a connection
    SPP_CLIENT_INVALID_PARAMETER = 4,  // service name empty or too long
    SPP_CLIENT_CONNECT_FAILED = 5,     // the link could not be set up
    SPP_CLIENT_NO_STACK = 6,           // no backend could be started
};

// State argument of the connection-state notification: 0 connected, anything else disconnected.
enum SPP_STATE_CODE : int {
    SPP_STATE_CONNECTED = 0,
    SPP_STATE_DISCONNECTED = 1,
};

// Result of the CObexClient requests and the status argument of its completions.
enum tOBEX_ERRORS : int {
    OBEX_SUCCESS = 0,
    OBEX_ERROR_BUSY = 1,            // a request of this client is still running
    OBEX_ERROR_NOT_OPEN = 2,        // Put/Close without an open session
    OBEX_ERROR_ALREADY_OPEN = 3,    // Open while a session is open
    OBEX_ERROR_INVALID_PARAM = 4,   // channel 0, packet size below the OBEX minimum of 255, ...
    OBEX_ERROR_NO_STACK = 5,        // no backend could be started
    OBEX_ERROR_TRANSPORT = 6,       // the channel could not be opened, or I/O on it failed
    OBEX_ERROR_PEER_DROPPED = 7,    // the peer closed the connection in the middle of a request
    OBEX_ERROR_TIMEOUT = 8,         // no response within the client's response time-out
    OBEX_ERROR_PROTOCOL = 9,        // the peer answered with a malformed packet
    OBEX_ERROR_RESPONSE = 10,       // the peer refused: see the response code argument
    OBEX_ERROR_CANCELLED = 11,      // the client was destroyed or the session aborted
};
