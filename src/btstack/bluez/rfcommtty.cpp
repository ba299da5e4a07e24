#include "btstack/bluez/rfcommtty.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bluetooth/bluetooth.h>
#include <bluetooth/rfcomm.h>

#include "btstack/backend.h"
#include "sdpelements.h"

namespace btstack::bluez {

namespace {

constexpr int kMaxRfcommDevices = 256;

std::string errnoText(int err) { return std::strerror(err); }

std::string connectErrorText(int err, uint8_t channel) {
    switch (err) {
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ETIMEDOUT:
        return "the phone did not answer (switched off, out of range, or Bluetooth off on the phone?)";
    case ECONNREFUSED:
        return "the phone refused RFCOMM channel " + std::to_string(channel);
    case EACCES:
    case EPERM:
        return "the phone or this computer refused the connection (is the phone paired and trusted?)";
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT:
        return "this system has no Bluetooth support (kernel module bluetooth/rfcomm not loaded)";
    case ENODEV:
    case ENETDOWN:
        return "no Bluetooth adapter is powered on";
    default:
        return "cannot connect RFCOMM channel " + std::to_string(channel) + ": " + errnoText(err);
    }
}

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int release() { return std::exchange(fd, -1); }
};

int controlSocket(std::string* error) {
    int fd = ::socket(AF_BLUETOOTH, SOCK_RAW | SOCK_CLOEXEC, BTPROTO_RFCOMM);
    if (fd < 0)
        *error = connectErrorText(errno, 0);
    return fd;
}

} // namespace

std::string RfcommTtyPath(int16_t id) { return "/dev/rfcomm" + std::to_string(id); }

std::optional<int16_t> FindBoundDevice(const std::vector<RfcommDevice>& devices, const BdAddr& address,
                                       uint8_t channel) {
    std::optional<int16_t> other;
    for (const RfcommDevice& d : devices) {
        if (d.address != address)
            continue;
        if (d.channel == channel)
            return d.id;
        // Old phones answer AT commands on their dial-up channel as well, so a TTY bound to
        // another channel of the same phone still serves.
        if (!other)
            other = d.id;
    }
    return other;
}

int16_t PickFreeDeviceId(const std::vector<RfcommDevice>& devices, int16_t first) {
    for (int id = std::max<int>(first, 0); id < kMaxRfcommDevices; ++id)
        if (std::none_of(devices.begin(), devices.end(), [id](const RfcommDevice& d) { return d.id == id; }))
            return int16_t(id);
    return -1;
}

bool RfcommLinkGone(const std::optional<RfcommDevice>& now, bool borrowed) {
    if (!now)
        return true;
    if (borrowed)
        return false;
    return now->state == kRfcommStateClosed || now->state == kRfcommStateDisconnecting;
}

std::string NoTtyRightsAdvice(const BdAddr& address, uint8_t channel, int16_t id) {
    const std::string n = std::to_string(id);
    return "This program may not create the serial device /dev/rfcomm" + n +
           " for the phone (that needs root or the CAP_NET_ADMIN capability). Either bind it once as "
           "root with \"rfcomm bind " +
           n + " " + RegistryKeyName(address) + " " + std::to_string(channel) +
           "\" and start the program again (it then uses /dev/rfcomm" + n +
           "), or give the program the capability (\"setcap cap_net_admin+ep\" on its file). Your user "
           "also needs to be in the group that owns /dev/rfcomm" +
           n + " (usually dialout).";
}

bool ListRfcommDevices(std::vector<RfcommDevice>* devices, std::string* error) {
    Fd ctl(controlSocket(error));
    if (ctl.fd < 0)
        return false;
    const size_t size = sizeof(rfcomm_dev_list_req) + kMaxRfcommDevices * sizeof(rfcomm_dev_info);
    auto buffer = std::make_unique<uint8_t[]>(size);
    std::memset(buffer.get(), 0, size);
    auto* list = reinterpret_cast<rfcomm_dev_list_req*>(buffer.get());
    list->dev_num = kMaxRfcommDevices;
    if (::ioctl(ctl.fd, RFCOMMGETDEVLIST, list) < 0) {
        *error = "cannot list the RFCOMM serial devices: " + errnoText(errno);
        return false;
    }
    devices->clear();
    const uint16_t count = std::min<uint16_t>(list->dev_num, kMaxRfcommDevices);
    for (uint16_t i = 0; i < count; ++i) {
        const rfcomm_dev_info& info = list->dev_info[i];
        devices->push_back({info.id, FromBdaddr(info.dst), info.channel, info.state});
    }
    return true;
}

int ConnectRfcomm(const BdAddr& address, uint8_t channel, int timeoutMs, std::string* error) {
    if (channel < 1 || channel > 30) {
        *error = "RFCOMM channel " + std::to_string(channel) + " does not exist (1 to 30)";
        return -1;
    }
    Fd sock(::socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, BTPROTO_RFCOMM));
    if (sock.fd < 0) {
        *error = connectErrorText(errno, channel);
        return -1;
    }
    sockaddr_rc remote{};
    remote.rc_family = AF_BLUETOOTH;
    remote.rc_bdaddr = ToBdaddr(address);
    remote.rc_channel = channel;
    if (::connect(sock.fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) < 0) {
        if (errno != EINPROGRESS && errno != EAGAIN) {
            *error = connectErrorText(errno, channel);
            return -1;
        }
        pollfd pfd{sock.fd, POLLOUT, 0};
        int n;
        do
            n = ::poll(&pfd, 1, timeoutMs);
        while (n < 0 && errno == EINTR);
        if (n == 0) {
            *error = connectErrorText(ETIMEDOUT, channel);
            return -1;
        }
        int soError = 0;
        socklen_t len = sizeof soError;
        if (n < 0 || ::getsockopt(sock.fd, SOL_SOCKET, SO_ERROR, &soError, &len) < 0)
            soError = errno;
        if (soError != 0) {
            *error = connectErrorText(soError, channel);
            return -1;
        }
    }
    return sock.release();
}

TtyResult CreateRfcommTty(int connectedFd, const BdAddr& address, uint8_t channel, int16_t id, int appearTimeoutMs,
                          std::string* error) {
    rfcomm_dev_req req{};
    req.dev_id = id;
    // REUSE_DLC hands the socket's live link to the TTY; RELEASE_ONHUP makes the kernel drop the
    // TTY when the phone hangs up, so a crash of this program leaves nothing behind for long.
    req.flags = (1u << RFCOMM_REUSE_DLC) | (1u << RFCOMM_RELEASE_ONHUP);
    sockaddr_rc local{};
    socklen_t len = sizeof local;
    if (::getsockname(connectedFd, reinterpret_cast<sockaddr*>(&local), &len) == 0)
        req.src = local.rc_bdaddr;
    req.dst = ToBdaddr(address);
    req.channel = channel;
    if (::ioctl(connectedFd, RFCOMMCREATEDEV, &req) < 0) {
        const int err = errno;
        if (err == EPERM || err == EACCES) {
            *error = NoTtyRightsAdvice(address, channel, id);
            return TtyResult::NoRights;
        }
        *error = "cannot create " + RfcommTtyPath(id) + ": " + errnoText(err);
        return TtyResult::Failed;
    }
    // udev (or devtmpfs) makes the node a moment after the kernel registers the TTY.
    const std::string path = RfcommTtyPath(id);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(appearTimeoutMs);
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            std::string ignored;
            ReleaseRfcommTty(id, &ignored);
            *error = path + " did not appear (is udev running?)";
            return TtyResult::Failed;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return TtyResult::Ok;
}

bool ReleaseRfcommTty(int16_t id, std::string* error) {
    Fd ctl(controlSocket(error));
    if (ctl.fd < 0)
        return false;
    rfcomm_dev_req req{};
    req.dev_id = id;
    req.flags = 1u << RFCOMM_HANGUP_NOW;
    if (::ioctl(ctl.fd, RFCOMMRELEASEDEV, &req) < 0) {
        *error = "cannot release " + RfcommTtyPath(id) + ": " + errnoText(errno);
        return false;
    }
    return true;
}

} // namespace btstack::bluez
