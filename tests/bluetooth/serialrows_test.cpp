// One row per device, its ports in interface order (a modem's AT port is seldom the first one
// the kernel numbers).
#include "bluetooth/serialrows.h"

#include <gtest/gtest.h>

TEST(SerialRows, OneRowPerDeviceWithItsPortsInInterfaceOrder) {
    const std::vector<serialports::SerialPortInfo> ports = {
        {"/dev/ttyUSB2", "Sierra", "MC7304", "usb-1", "03"},
        {"/dev/ttyACM0", "", "", "usb-2", ""},
        {"/dev/ttyUSB0", "Sierra", "MC7304", "usb-1", "00"},
        {"/dev/rfcomm0", "", "Bluetooth serial link", "", ""},
    };
    const std::vector<SerialDeviceRow> rows = GroupSerialPorts(ports);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].label, "Sierra MC7304 (/dev/ttyUSB0, ...)");
    EXPECT_EQ(rows[0].ports, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB2"}));
    EXPECT_EQ(rows[1].label, "Serial device (/dev/ttyACM0)");
    EXPECT_EQ(rows[2].label, "Bluetooth serial link (/dev/rfcomm0)");
}
