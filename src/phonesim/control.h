#pragma once
// The emulated phone's control interface: what a test or a user does to a running phone from
// outside (a message arrives, the network changes). One command per line, one reply line each:
// "OK ..." or "ERROR <reason>".
//
//   deliver FROM TEXT...          a message from FROM (digits, '+' first if international);
//                                 a long text arrives as concatenated parts, in order
//   deliver-parts FROM ORDER TEXT...
//                                 the same, the parts in ORDER: part numbers separated by
//                                 commas, e.g. "3,1,2" (out of order) or "1,3" (part 2 lost)
//   deliver-pdu HEX               a raw SMS-DELIVER PDU, service-centre part first
//   network STAT [SIGNAL [BATTERY]]
//                                 +CREG status (0..5), +CSQ signal (0..31, 99), +CBC percent
//   help                          the list above
//
// Replies: "OK stored SM 3" (storage and positions, "3,4,5" for parts), "OK", or
// "ERROR message storage SM is full", "ERROR unknown command \"x\"", ...
// harlune-phonesim serves it on a Unix socket (--control PATH); RunControlCommand is the same
// without a socket.
#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "phonesim/phone.h"

namespace phonesim {

class ControlCommands {
public:
    explicit ControlCommands(std::shared_ptr<Phone> phone) : m_phone(std::move(phone)) {}
    std::string Run(std::string_view line);

private:
    std::string Deliver(const std::string& from, const std::string& order, const std::string& text);
    std::shared_ptr<Phone> m_phone;
    int m_nextReference = 1; // concatenation references, 1..255
};

class ControlServer {
public:
    explicit ControlServer(std::shared_ptr<Phone> phone) : m_commands(std::move(phone)) {}
    ~ControlServer(); // stops, joins, removes the socket
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    bool Start(const std::string& socketPath, std::string* error);
    void Stop();

private:
    void Serve();
    void ServeClient(int fd);

    ControlCommands m_commands;
    std::string m_path;
    int m_listenFd = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_thread;
};

// Sends one command to a running phone's control socket; the reply line, or an error.
bool SendControlCommand(const std::string& socketPath, const std::string& command,
                        std::string* reply);

} // namespace phonesim
