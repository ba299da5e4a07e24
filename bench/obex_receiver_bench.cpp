// The emulated phone's OBEX receiver under load (plain timing program, about half a minute):
//
//   1. 50,000 sequential sessions (CONNECT, one small PUT-final, DISCONNECT) on socket pairs:
//      sessions per second, the threads still held at the end, and peak resident memory.
//   2. 64 clients at once, each starting a large object (PUT without final, 8 MB of body) and
//      never finishing it: how many were served and how many refused, resident memory while
//      they hang, and that the idle time-out ends them all.
//
// Memory is the process's VmHWM/VmRSS from /proc/self/status.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

#include "obex/codec.h"
#include "obex/pushserver.h"

namespace {

long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return -1;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

// Reads one response packet; its code, or 0 when the line closed.
uint8_t ReadResponse(int fd) {
    uint8_t head[3];
    size_t got = 0;
    while (got < 3) {
        ssize_t n = read(fd, head + got, 3 - got);
        if (n <= 0)
            return 0;
        got += size_t(n);
    }
    size_t left = size_t(head[1] << 8 | head[2]) - 3;
    std::vector<uint8_t> rest(left);
    got = 0;
    while (got < left) {
        ssize_t n = read(fd, rest.data() + got, left - got);
        if (n <= 0)
            return 0;
        got += size_t(n);
    }
    return head[0];
}

std::vector<uint8_t> Connect() {
    return {0x80, 0x00, 0x07, 0x10, 0x00, 0x20, 0x00};
}

std::vector<uint8_t> Put(bool final, const std::u16string& name, size_t bodyBytes) {
    obex::Packet p;
    p.code = final ? obex::kOpPutFinal : obex::kOpPut;
    if (!name.empty())
        p.headers.push_back(obex::Header::Text(obex::kHdrName, name));
    obex::Header body;
    body.id = final ? obex::kHdrEndOfBody : obex::kHdrBody;
    body.bytes.assign(bodyBytes, 'x');
    p.headers.push_back(body);
    return obex::Encode(p);
}

} // namespace

int main() {
    std::signal(SIGPIPE, SIG_IGN); // a refused client writes to a closed line
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    char dir[] = "/tmp/harlune-obex-bench-XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    obex::PushServerOptions options;
    options.folder = dir;
    options.idleTimeoutMs = 2000;
    obex::PushServer server(options);

    // 1. Sequential sessions.
    constexpr int kSessions = 50000;
    const auto start = std::chrono::steady_clock::now();
    int failures = 0;
    const std::vector<uint8_t> put = Put(true, u"small.txt", 16);
    const std::vector<uint8_t> bye = {0x81, 0x00, 0x03};
    for (int i = 0; i < kSessions; ++i) {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
            return 1;
        std::string error;
        if (!server.Serve(sv[1], &error)) {
            std::fprintf(stderr, "session %d: %s\n", i, error.c_str());
            return 1;
        }
        bool ok = WriteAll(sv[0], Connect()) && ReadResponse(sv[0]) == 0xA0 &&
                  WriteAll(sv[0], put) && ReadResponse(sv[0]) == 0xA0 && WriteAll(sv[0], bye) &&
                  ReadResponse(sv[0]) == 0xA0;
        if (!ok && failures == 0)
            std::fprintf(stderr, "first failure at session %d\n", i);
        failures += !ok;
        close(sv[0]);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("sequential: %d sessions, %d failed, %.0f sessions/s, threads held at the end %zu, "
                "peak RSS %ld kB\n",
                kSessions, failures, kSessions / seconds, server.ThreadsHeld(), StatusKb("VmHWM:"));

    // 2. 64 unfinished large objects at once.
    constexpr int kClients = 64;
    constexpr size_t kObjectBytes = 8u << 20;
    constexpr size_t kChunk = 0x1F00;
    std::vector<int> clients;
    std::vector<std::thread> senders;
    int refused = 0, served = 0;
    for (int i = 0; i < kClients; ++i) {
        int sv[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
            return 1;
        std::string error;
        server.Serve(sv[1], &error);
        WriteAll(sv[0], Connect());
        if (ReadResponse(sv[0]) != 0xA0) {
            ++refused;
            close(sv[0]);
            continue;
        }
        ++served;
        clients.push_back(sv[0]);
    }
    for (int fd : clients)
        senders.emplace_back([fd] {
            for (size_t sent = 0; sent < kObjectBytes; sent += kChunk)
                if (!WriteAll(fd, Put(false, sent == 0 ? u"big.bin" : u"", kChunk)) ||
                    ReadResponse(fd) != 0x90)
                    return;
        });
    for (auto& t : senders)
        t.join();
    std::printf("parallel: %d clients, %d served, %d refused (Service Unavailable), %zu MB each "
                "unfinished, "
                "RSS %ld kB, peak RSS %ld kB\n",
                kClients, served, refused, kObjectBytes >> 20, StatusKb("VmRSS:"),
                StatusKb("VmHWM:"));
    std::this_thread::sleep_for(std::chrono::milliseconds(options.idleTimeoutMs + 1000));
    std::printf("after the idle time-out: %d sessions ended in all\n", server.SessionsEnded());
    for (int fd : clients)
        close(fd);
    server.Stop();
    server.Wait();
    std::string rm = std::string("rm -rf '") + dir + "'";
    return std::system(rm.c_str()) == 0 && failures == 0 ? 0 : 1;
}
