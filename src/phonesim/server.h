#pragma once
// Serving the emulated phone over a pseudo-terminal, a loopback TCP port, or any pair of file
// descriptors (stdin/stdout).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "phonesim/phone.h"

namespace phonesim {

struct ServeOptions {
    unsigned bitsPerSecond = 0; // 0 = unpaced; else each byte takes 10 bit times (8N1)
    bool randomChunks = false;  // replies in random-sized pieces with small random gaps
    uint32_t seed = 1;          // makes the chunking repeatable
};

// The phone on a pty. The program opens DevicePath() (the slave); the server reads and writes
// the master.
//
// The server keeps its own descriptor of the slave open for as long as it serves. Without it
// the master sees EIO/POLLHUP whenever the program has the slave closed (before its first
// open, between a close and the next open), and the serving loop would have to tell that
// apart from a real hang-up. The held descriptor is opened before the program's, so the
// program's TIOCEXCL and flock do not keep it out, and it never reads, so it takes no bytes
// meant for the program.
class PtyPhone {
public:
    PtyPhone(std::shared_ptr<Phone> phone, ServeOptions options = {});
    ~PtyPhone(); // stops and joins
    PtyPhone(const PtyPhone&) = delete;
    PtyPhone& operator=(const PtyPhone&) = delete;

    bool Start(std::string* error);
    const std::string& DevicePath() const { return m_devicePath; }
    // Drops the line: closes the master (and the held slave), so the program sees POLLHUP/EIO.
    void Hangup();
    void Stop();
    // True once the line dropped (Hangup or a fault rule).
    bool HungUp() const { return m_hungUp.load(); }

private:
    void Serve();
    void CloseLine();

    std::shared_ptr<Phone> m_phone;
    ServeOptions m_options;
    std::string m_devicePath;
    int m_master = -1;
    int m_heldSlave = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::atomic<bool> m_hungUp{false};
    std::thread m_thread;
};

// The phone on 127.0.0.1: every accepted connection gets its own session (and thread).
class TcpPhoneServer {
public:
    TcpPhoneServer(std::shared_ptr<Phone> phone, ServeOptions options = {});
    ~TcpPhoneServer();
    TcpPhoneServer(const TcpPhoneServer&) = delete;
    TcpPhoneServer& operator=(const TcpPhoneServer&) = delete;

    bool Start(uint16_t port, std::string* error); // port 0: any free port
    uint16_t Port() const { return m_port; }
    void Stop();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    uint16_t m_port = 0;
};

// Serves one session on the two descriptors until the input ends, the line drops by a fault
// rule, or stopFd (if >= 0) becomes readable. Returns false with a reason on an I/O error.
bool ServeDescriptors(Phone& phone, int inFd, int outFd, const ServeOptions& options,
                      int stopFd, std::string* error);

} // namespace phonesim
