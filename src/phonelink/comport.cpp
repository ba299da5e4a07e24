#include "comport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/debuglog.h"
#include "platform/serialnames.h"
#include "serialports/portholders.h"

CComPort::CComPort() = default;

CComPort::~CComPort() {
    if (m_isOpen)
        ClosePort();
    m_isOpen = false;
}

int CComPort::ClassifyWindowsVersion() {
    platform::OsVersionInfo info;
    bool ok = platform::GetVersionEx(info);
    return ClassifyWindowsVersion(ok, info);
}

int CComPort::ClassifyWindowsVersion(bool queryOk, const platform::OsVersionInfo& info) {
    if (!queryOk)
        return 0;
    if (info.platformId == 1) {
        if (info.majorVersion != 4)
            return 1;
        if (info.minorVersion == 10)
            return 2;
        if (info.minorVersion == 90)
            return 3;
        return 1;
    }
    if (info.platformId == 2) {
        if (info.majorVersion == 4 && info.minorVersion == 0)
            return 4;
        if (info.majorVersion == 5 && info.minorVersion == 0)
            return 5;
        if (info.majorVersion == 5 && info.minorVersion == 1)
            return 6;
    }
    return 0;
}

std::string CComPort::DeviceName(int platformCode, int portNumber) {
    std::string number = std::to_string(portNumber);
    return platformCode >= 4 ? "\\\\?\\COM" + number : "COM" + number;
}

bool CComPort::OpenPort(int portNumber) {
    m_portNumber = static_cast<uint8_t>(portNumber & 0xFF);
    std::string name = DeviceName(ClassifyWindowsVersion(), m_portNumber);
    auto path = platform::ResolveSerialName(name);
    if (!path) {
        m_openError = name + " is not a known serial port";
        platform::DebugLog(m_openError);
        return false;
    }
    return OpenDevice(*path);
}

bool CComPort::OpenDevice(const std::string& path) {
    if (m_isOpen) {
        m_openError = "the port is already open";
        return false;
    }
    m_openError.clear();
    m_lineLost = false;
    m_devicePath = path;
    m_handle = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_handle < 0) {
        const int err = errno;
        m_openError = serialports::ExplainOpenFailure(path, std::strerror(err), err);
        platform::DebugLog(m_openError);
        return false;
    }
    // TIOCEXCL alone does not stop root, and a lock on the inode also catches a second open in
    // this same process.
    if (::flock(m_handle, LOCK_EX | LOCK_NB) != 0) {
        m_openError = serialports::ExplainOpenFailure(path, "already in use", EWOULDBLOCK);
        platform::DebugLog(m_openError);
        Release();
        return false;
    }
    ::ioctl(m_handle, TIOCEXCL);
    if (!ConfigurePort()) {
        m_openError = path + ": not a serial device (" + std::strerror(errno) + ")";
        platform::DebugLog(m_openError);
        Release();
        return false;
    }
    m_isOpen = true;
    return true;
}

bool CComPort::ConfigurePort() {
    // Driver queue sizes and an event mask have no termios counterpart; nothing waits on events.
    if (::tcgetattr(m_handle, &m_dcb) != 0)
        return false;
    ::cfmakeraw(&m_dcb);
    // Phones of this family talk at 19200 bit/s on their serial profile; nothing ever asks for
    // another speed.
    ::cfsetispeed(&m_dcb, B19200);
    ::cfsetospeed(&m_dcb, B19200);
    m_dcb.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    m_dcb.c_cflag |= CS8 | CREAD | CLOCAL;
    if (m_hardwareFlow)
        m_dcb.c_cflag |= CRTSCTS;
    else
        m_dcb.c_cflag &= ~CRTSCTS;
    m_dcb.c_iflag &= ~(IXON | IXOFF | IXANY);
    m_dcb.c_cc[VMIN] = 0;
    m_dcb.c_cc[VTIME] = 0;
    if (::tcsetattr(m_handle, TCSANOW, &m_dcb) != 0)
        return false;
    // A pty has no modem lines and refuses this; a real port raises DTR.
    int dtr = TIOCM_DTR;
    ::ioctl(m_handle, TIOCMBIS, &dtr);
    return true;
}

void CComPort::Release() {
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
}

bool CComPort::ClosePort() {
    if (!m_isOpen)
        return true;
    m_isOpen = false;
    int dtr = TIOCM_DTR;
    ::ioctl(m_handle, TIOCMBIC, &dtr);
    ::tcflush(m_handle, TCIOFLUSH);
    ::ioctl(m_handle, TIOCNXCL);
    Release();
    return true;
}

uint32_t CComPort::ReadAvailable(char* buffer, uint32_t limit) {
    if (!m_isOpen || limit == 0)
        return 0;
    ssize_t n = ::read(m_handle, buffer, limit);
    if (n > 0) {
        m_bytesRead += static_cast<uint64_t>(n);
        return static_cast<uint32_t>(n);
    }
    // With VMIN and VTIME at 0 an empty queue reads as 0; a hung-up tty or pty reads as EIO.
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
        m_lineLost = true;
    return 0;
}

bool CComPort::WriteAll(const char* data, int length) {
    if (!m_isOpen || length < 0)
        return false;
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::milliseconds(m_writeLimitMs);
    int written = 0;
    while (written < length) {
        ssize_t n = ::write(m_handle, data + written, static_cast<size_t>(length - written));
        if (n > 0) {
            written += static_cast<int>(n);
            m_bytesWritten += static_cast<uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            if (errno == EIO)
                m_lineLost = true;
            break;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd pfd{m_handle, POLLOUT, 0};
        int r = ::poll(&pfd, 1, static_cast<int>(left.count()));
        if (r > 0 && (pfd.revents & (POLLHUP | POLLERR)) && !(pfd.revents & POLLOUT)) {
            m_lineLost = true;
            break;
        }
    }
    if (written != length) {
        platform::DebugLog("Probable write timeout: " + std::to_string(written) + " of " +
                           std::to_string(length) + " bytes sent");
        return false;
    }
    return true;
}

uint32_t CComPort::QueuedBytes() const {
    int queued = 0;
    if (!m_isOpen || ::ioctl(m_handle, FIONREAD, &queued) != 0 || queued < 0)
        return 0;
    return static_cast<uint32_t>(queued);
}

CComPort::WaitResult CComPort::WaitReadable(int timeoutMs) {
    if (!m_isOpen)
        return WaitResult::Hangup;
    pollfd pfd{m_handle, POLLIN, 0};
    int r;
    do {
        r = ::poll(&pfd, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r == 0)
        return WaitResult::Timeout;
    if (r < 0 || (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        // Bytes sent just before the hang-up are still readable; the caller drains them first.
        if ((pfd.revents & POLLIN) && QueuedBytes() > 0)
            return WaitResult::Readable;
        m_lineLost = true;
        return WaitResult::Hangup;
    }
    return WaitResult::Readable;
}
