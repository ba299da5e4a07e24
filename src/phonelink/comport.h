#pragma once
// One serial device for the phone: opened exclusively, set to 19200 bit/s 8N1 with RTS/CTS and
// DTR raised, read without ever waiting, written until everything went out. It knows nothing of
// AT commands.
#include <termios.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/osversion.h"

class CComPort {
public:
    CComPort();
    ~CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // Opens "COMn" (n = low 8 bits of portNumber) through the serial name registry.
    bool OpenPort(int portNumber);
    // Opens a device path directly (a USB modem, a pty).
    bool OpenDevice(const std::string& path);
    bool ClosePort(); // always true; harmless when closed

    // At most `limit` of the bytes already queued; 0 when none. Never waits.
    uint32_t ReadAvailable(char* buffer, uint32_t limit);
    // Everything or false: waits with poll() for room, up to the write limit.
    bool WriteAll(const char* data, int length);

    // Bytes waiting in the input queue (FIONREAD).
    uint32_t QueuedBytes() const;

    enum class WaitResult { Readable, Timeout, Hangup };
    // Sleeps in poll() until input arrives, the line hangs up or timeoutMs pass.
    WaitResult WaitReadable(int timeoutMs);

    bool IsOpen() const { return m_isOpen; }
    // The line hung up (POLLHUP, EIO, end of file) since it was opened.
    bool LineLost() const { return m_lineLost; }
    uint8_t PortNumber() const { return m_portNumber; }
    const std::string& DevicePath() const { return m_devicePath; }
    // Why the last open failed, for the debug log and the command-line tool.
    const std::string& OpenError() const { return m_openError; }
    void SetWriteLimit(int milliseconds) { m_writeLimitMs = milliseconds; }
    // Traffic since construction, for diagnosis and the line-time benchmarks.
    uint64_t BytesRead() const { return m_bytesRead; }
    uint64_t BytesWritten() const { return m_bytesWritten; }

    // 0 unrecognised (always on Linux, where the query fails), 1-3 the 9x family, 4-6 NT 4.0,
    // 2000 and XP.
    static int ClassifyWindowsVersion();
    static int ClassifyWindowsVersion(bool queryOk, const platform::OsVersionInfo& info);
    // "\\?\COMn" for codes 4 and above, "COMn" otherwise.
    static std::string DeviceName(int platformCode, int portNumber);

private:
    bool ConfigurePort();
    void Release();

    uint8_t m_portNumber = 1;
    bool m_hardwareFlow = true;
    termios m_dcb{};
    int m_handle = -1;
    bool m_isOpen = false;
    // Atomic: the GUI's lost-line check polls the port once a second, also while the Messages
    // view's worker is in an exchange on it; both only ever report a hang-up.
    std::atomic<bool> m_lineLost{false};
    int m_writeLimitMs = 10000;
    uint64_t m_bytesRead = 0;
    uint64_t m_bytesWritten = 0;
    std::string m_devicePath;
    std::string m_openError;
};
