#pragma once
// The device dialog's rows for phones and modems on serial ports: one row per physical device
// (a USB modem often brings several ports, of which one takes AT commands).
#include "serialports/portenum.h"

#include <string>
#include <vector>

struct SerialDeviceRow {
    std::string label;              // "Dunmere Test modem (/dev/ttyACM0)"
    std::vector<std::string> ports; // in interface order; the first is tried first
};

// Groups the ports by device, in the order the enumeration gave the devices.
std::vector<SerialDeviceRow>
GroupSerialPorts(const std::vector<serialports::SerialPortInfo>& ports);

// The first port of the row that answers "AT" (each probe bounded by timeoutMs), or empty; then
// *why names what kept a port from being asked (its holder, missing rights), if anything did.
std::string FindAtPort(const SerialDeviceRow& row, int timeoutMs, std::string* why);
