#pragma once
// Byte-stream transports an OBEX session runs over: any stream descriptor (an RFCOMM socket,
// one end of a socket pair), or TCP. Every blocking call can be interrupted from another
// thread, which is how a session is cancelled when its owner goes away.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace obex {

enum class IoStatus { Ok, Closed, Timeout, Interrupted, Error };

class Transport {
public:
    virtual ~Transport() = default;
    // Writes all bytes.
    virtual IoStatus Send(std::span<const uint8_t> bytes, int timeoutMs, std::string* error) = 0;
    // Reads what is available (at least one byte) into buffer; *received says how much.
    virtual IoStatus Receive(std::span<uint8_t> buffer, int timeoutMs, size_t* received, std::string* error) = 0;
    // Makes a pending or later Send/Receive return Interrupted. Thread-safe.
    virtual void Interrupt() = 0;
};

// Owns a connected stream descriptor (closed on destruction).
class FdTransport : public Transport {
public:
    explicit FdTransport(int fd);
    ~FdTransport() override;
    FdTransport(const FdTransport&) = delete;
    FdTransport& operator=(const FdTransport&) = delete;

    // False when the wake-up descriptor could not be made.
    bool Valid() const { return m_fd >= 0 && m_wakeFd >= 0; }
    int Fd() const { return m_fd; }

    IoStatus Send(std::span<const uint8_t> bytes, int timeoutMs, std::string* error) override;
    IoStatus Receive(std::span<uint8_t> buffer, int timeoutMs, size_t* received, std::string* error) override;
    void Interrupt() override;

private:
    IoStatus waitFor(short events, int timeoutMs, std::string* error);

    int m_fd = -1;
    int m_wakeFd = -1; // eventfd, readable once Interrupt was called
};

// A connected stream socket pair: one end as a transport, the other a raw descriptor for the
// server side. False with a reason on failure.
bool MakeSocketPair(std::unique_ptr<FdTransport>* clientEnd, int* serverFd, std::string* error);

// TCP connection (OBEX over IP); host is a name or numeric address.
std::unique_ptr<FdTransport> ConnectTcp(const std::string& host, uint16_t port, int timeoutMs, std::string* error);

} // namespace obex
