#pragma once
// What the windows need to know about the connection. The application object owns these facts
// and implements this interface; the frame and the views only read them, so ui/ never includes
// the Bluetooth side.
#include <array>
#include <cstdint>
#include <string>

namespace ui {

class ConnectionFacts {
public:
    virtual ~ConnectionFacts() = default;
    // A phone was chosen and its serial-port service found; the phone commands act only then.
    virtual bool DeviceFound() const = 0;
    // COM port number of the last connected-state notification; 0 before the first one.
    virtual int16_t ComPort() const = 0;
    virtual std::array<uint8_t, 6> PhoneAddress() const = 0;
    virtual std::string DeviceName() const = 0;
    // RFCOMM channel of the phone's OBEX object push service; 0 until one was found.
    virtual uint8_t ObexChannel() const = 0;
};

} // namespace ui
