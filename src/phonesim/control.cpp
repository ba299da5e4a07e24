#include "phonesim/control.h"
#include "phonesim/acceptloop.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "phonesim/smsencode.h"

namespace phonesim {
namespace {

constexpr size_t kMaxLine = 8192;

const char kHelp[] =
    "OK commands: deliver FROM TEXT | deliver-parts FROM ORDER TEXT | deliver-pdu HEX | "
    "network STAT [SIGNAL [BATTERY]] | help";

bool ValidNumber(const std::string& n) {
    size_t start = !n.empty() && n[0] == '+' ? 1 : 0;
    return n.size() > start && n.size() - start <= 20 &&
           n.find_first_not_of("0123456789", start) == std::string::npos;
}

bool ToInt(const std::string& s, int low, int high, int* value) {
    if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = std::stoi(s);
    return *value >= low && *value <= high;
}

// "3,1,2" -> {3,1,2}; each between 1 and total, none twice.
bool ParseOrder(const std::string& text, int total, std::vector<int>* order) {
    std::stringstream in(text);
    std::string item;
    std::vector<bool> seen(static_cast<size_t>(total) + 1, false);
    while (std::getline(in, item, ',')) {
        int k = 0;
        if (!ToInt(item, 1, total, &k) || seen[static_cast<size_t>(k)])
            return false;
        seen[static_cast<size_t>(k)] = true;
        order->push_back(k);
    }
    return !order->empty();
}

bool WriteLine(int fd, const std::string& line) {
    std::string bytes = line + "\n";
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string ControlCommands::Deliver(const std::string& from, const std::string& order,
                                     const std::string& text) {
    if (!ValidNumber(from))
        return "ERROR the sender must be a number of up to 20 digits, '+' first if international";
    DeliverSpec spec;
    spec.originator = from;
    spec.serviceCentre = m_phone->Snapshot().serviceCentre;
    spec.time = static_cast<long long>(std::time(nullptr));
    std::vector<std::string> parts = EncodeDeliverParts(spec, text, m_nextReference);
    if (parts.empty())
        return "ERROR the text cannot be encoded";
    if (parts.size() > 255)
        return "ERROR the text is too long (more than 255 parts)";
    if (parts.size() > 1)
        m_nextReference = m_nextReference % 255 + 1;
    std::vector<int> sequence;
    if (order.empty()) {
        for (size_t k = 1; k <= parts.size(); ++k)
            sequence.push_back(static_cast<int>(k));
    } else if (!ParseOrder(order, static_cast<int>(parts.size()), &sequence)) {
        return "ERROR the order must name parts 1 to " + std::to_string(parts.size()) +
               ", each once";
    }
    std::string positions;
    for (int k : sequence) {
        std::string error;
        int index = 0;
        if (!m_phone->DeliverPdu(parts[static_cast<size_t>(k - 1)], &error, &index))
            return "ERROR " + error +
                   (positions.empty() ? "" : " (parts stored at " + positions + ")");
        positions += (positions.empty() ? "" : ",") + std::to_string(index);
    }
    return "OK stored " + m_phone->Snapshot().smsStorages[2] + " " + positions;
}

std::string ControlCommands::Run(std::string_view rawLine) {
    std::string line(rawLine);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    std::istringstream in(line);
    std::string command;
    in >> command;
    auto rest = [&] {
        std::string text;
        std::getline(in, text);
        if (!text.empty() && text[0] == ' ')
            text.erase(0, 1);
        return text;
    };
    if (command == "help")
        return kHelp;
    if (command == "deliver") {
        std::string from;
        in >> from;
        std::string text = rest();
        if (text.empty())
            return "ERROR usage: deliver FROM TEXT";
        return Deliver(from, "", text);
    }
    if (command == "deliver-parts") {
        std::string from, order;
        in >> from >> order;
        std::string text = rest();
        if (order.empty() || text.empty())
            return "ERROR usage: deliver-parts FROM ORDER TEXT";
        return Deliver(from, order, text);
    }
    if (command == "deliver-pdu") {
        std::string hex;
        in >> hex;
        if (hex.empty() || !rest().empty())
            return "ERROR usage: deliver-pdu HEX";
        std::string error;
        int index = 0;
        if (!m_phone->DeliverPdu(hex, &error, &index))
            return "ERROR " + error;
        return "OK stored " + m_phone->Snapshot().smsStorages[2] + " " + std::to_string(index);
    }
    if (command == "network") {
        std::string stat, signal, battery;
        in >> stat >> signal >> battery;
        NetworkStatus status = m_phone->Snapshot().network;
        if (!ToInt(stat, 0, 5, &status.registration) ||
            (!signal.empty() && !ToInt(signal, 0, 99, &status.signal)) ||
            (!signal.empty() && status.signal > 31 && status.signal != 99) ||
            (!battery.empty() && !ToInt(battery, 0, 100, &status.battery)) || !rest().empty())
            return "ERROR usage: network STAT(0-5) [SIGNAL(0-31,99) [BATTERY(0-100)]]";
        m_phone->SetNetwork(status);
        return "OK";
    }
    if (command.empty())
        return "ERROR empty command";
    return "ERROR unknown command \"" + command + "\" (try help)";
}

ControlServer::~ControlServer() {
    Stop();
}

bool ControlServer::Start(const std::string& socketPath, std::string* error) {
    sockaddr_un addr{};
    if (socketPath.empty() || socketPath.size() >= sizeof addr.sun_path) {
        *error = "control socket path is empty or too long: " + socketPath;
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int wake[2] = {-1, -1};
    // A socket left by a phone that was killed is replaced; any other file is not.
    struct stat st;
    if (lstat(socketPath.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
        unlink(socketPath.c_str());
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(fd, 4) != 0 || pipe2(wake, O_CLOEXEC) != 0) {
        *error = "cannot listen on " + socketPath + ": " + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    m_path = socketPath;
    m_listenFd = fd;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void ControlServer::Serve() {
    AcceptUntilWoken(m_listenFd, m_wakeRead, SOCK_CLOEXEC, [this](int client) {
        ServeClient(client);
        close(client);
    });
}

void ControlServer::ServeClient(int fd) {
    // One client at a time, each line answered before the next is read; a client that sends
    // nothing for a minute, or a line longer than kMaxLine, is dropped.
    std::string pending;
    char buffer[1024];
    for (;;) {
        size_t newline;
        while ((newline = pending.find('\n')) != std::string::npos) {
            std::string reply = m_commands.Run(std::string_view(pending).substr(0, newline));
            pending.erase(0, newline + 1);
            if (!WriteLine(fd, reply))
                return;
        }
        if (pending.size() > kMaxLine) {
            WriteLine(fd, "ERROR line too long");
            return;
        }
        pollfd p[2] = {{fd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        if (poll(p, 2, 60000) <= 0 || (p[1].revents & POLLIN))
            return;
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        pending.append(buffer, static_cast<size_t>(n));
    }
}

void ControlServer::Stop() {
    if (m_wakeWrite >= 0) {
        char c = 's';
        (void)!write(m_wakeWrite, &c, 1);
    }
    if (m_thread.joinable())
        m_thread.join();
    for (int* fd : {&m_listenFd, &m_wakeRead, &m_wakeWrite}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    if (!m_path.empty())
        unlink(m_path.c_str());
    m_path.clear();
}

bool SendControlCommand(const std::string& socketPath, const std::string& command,
                        std::string* reply) {
    sockaddr_un addr{};
    if (socketPath.size() >= sizeof addr.sun_path) {
        *reply = "control socket path too long";
        return false;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        *reply = "cannot connect to " + socketPath + ": " + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    bool ok = WriteLine(fd, command);
    std::string line;
    char c;
    pollfd p{fd, POLLIN, 0};
    while (ok && poll(&p, 1, 10000) > 0 && read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    close(fd);
    *reply = line;
    return ok && !line.empty();
}

} // namespace phonesim
