// One row per device, its ports in interface order (a modem's AT port is seldom the first one
// the kernel numbers).
#include "bluetooth/serialrows.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

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

TEST(SerialRows, AHeldPortIsNotProbedAndItsHolderIsNamed) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ::grantpt(master);
    ::unlockpt(master);
    const std::string path = ::ptsname(master);
    const int held = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    std::string why;
    EXPECT_EQ(FindAtPort({"modem", {path}}, 200, &why), "");
    EXPECT_NE(why.find(path + ": already in use by this program (PID " +
                       std::to_string(::getpid()) + ")"),
              std::string::npos)
        << why;
    ::close(held);
    ::close(master);
}
