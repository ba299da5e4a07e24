#pragma once
// The serial ports that lead to phones and modems (USB ACM and USB serial converters, RFCOMM
// TTYs), behind an interface: udev on a real machine, a fixed list in tests (a pty can be
// presented as a USB modem that way).
#include <memory>
#include <string>
#include <vector>

namespace serialports {

struct SerialPortInfo {
    std::string devicePath;      // /dev/ttyACM0
    std::string maker;           // "Sierra Wireless, Inc." (udev's vendor name)
    std::string product;         // "MC7304" (udev's model name)
    std::string deviceKey;       // the same for every port of one physical device
    std::string interfaceNumber; // USB interface of this port ("00", "02"), empty when unknown
    bool operator==(const SerialPortInfo&) const = default;
};

class PortEnumerator {
public:
    virtual ~PortEnumerator() = default;
    virtual std::vector<SerialPortInfo> List() = 0;
    // A descriptor that becomes readable when ports come or go, or -1 when there is no such
    // notice. Once it fired, DrainChanges() and List() again.
    virtual int ChangeFd() const { return -1; }
    virtual void DrainChanges() {}
};

// libudev: the "tty" subsystem's devices with a USB parent or an rfcomm name; hot-plug through
// a udev monitor. Null with a reason when udev cannot be used.
std::unique_ptr<PortEnumerator> CreateUdevEnumerator(std::string* error);

// A list the test sets; every SetPorts is announced on ChangeFd.
class FixedPortEnumerator : public PortEnumerator {
public:
    explicit FixedPortEnumerator(std::vector<SerialPortInfo> ports = {});
    ~FixedPortEnumerator() override;
    void SetPorts(std::vector<SerialPortInfo> ports);
    std::vector<SerialPortInfo> List() override { return m_ports; }
    int ChangeFd() const override { return m_eventFd; }
    void DrainChanges() override;

private:
    std::vector<SerialPortInfo> m_ports;
    int m_eventFd = -1;
};

// The enumerator the program uses: the one set here (tests), else udev's, made on first use
// (null when udev is not available).
std::shared_ptr<PortEnumerator> CurrentPortEnumerator();
void SetPortEnumerator(std::shared_ptr<PortEnumerator> enumerator);

// How a port answered "AT".
enum class AtAnswer { Ok, NoAnswer, Busy, CannotOpen };
struct ProbeResult {
    AtAnswer answer = AtAnswer::NoAnswer;
    std::string detail; // why it could not be probed (the open failure sentence)
};
// Opens the port (without taking it from a holder: a locked port is Busy), sends "AT" and
// waits at most timeoutMs in all for "OK".
ProbeResult ProbeAt(const std::string& devicePath, int timeoutMs);
const char* AtAnswerName(AtAnswer answer); // "yes", "no", "busy", "cannot-open"

} // namespace serialports
