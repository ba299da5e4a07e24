#include "mockbluez.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QtDBus/QDBusConnection>
#include <QtDBus/QDBusMessage>
#include <QtDBus/QDBusVariant>

extern char** environ;

namespace {

constexpr int kStartTimeoutMs = 20000;

// fork + exec with the child tied to this process's life, so that a crashed test leaves no
// daemon behind. Everything the child needs is prepared before the fork.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv, int stdoutFd) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e)
        envStore.emplace_back(*e);
    for (const std::string& e : extraEnv)
        envStore.push_back(e);
    std::vector<char*> env;
    for (std::string& e : envStore)
        env.push_back(e.data());
    env.push_back(nullptr);

    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    int devnull = ::open("/dev/null", O_RDWR);
    ::dup2(devnull, 0);
    ::dup2(stdoutFd >= 0 ? stdoutFd : devnull, 1);
    ::dup2(devnull, 2);
    ::execvpe(args[0], args.data(), env.data());
    ::_exit(127);
}

void stop(pid_t* pid) {
    if (*pid <= 0)
        return;
    ::kill(*pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(*pid, &status, WNOHANG) == *pid) {
            *pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(*pid, SIGKILL);
    ::waitpid(*pid, &status, 0);
    *pid = -1;
}

bool exited(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

std::string findPython() {
    // The Debian package installs the module for the system interpreter; a python3 earlier on
    // PATH (a virtual environment, pyenv) often lacks it.
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
        pid_t pid = spawn({candidate, "-c", "import dbusmock"}, {}, -1);
        int status = 0;
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0)
            return candidate;
    }
    return {};
}

} // namespace

MockBluez::~MockBluez() {
    if (!m_connectionName.empty())
        QDBusConnection::disconnectFromBus(QString::fromStdString(m_connectionName));
    stop(&m_mockPid);
    stop(&m_busPid);
}

bool MockBluez::Start(bool withBluez, std::string* error) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = std::strerror(errno);
        return false;
    }
    // The child's copy of the write end survives exec through dup2 onto its stdout.
    m_busPid = spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"}, {}, pipeFds[1]);
    ::close(pipeFds[1]);
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{pipeFds[0], POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0)
            continue;
        char buffer[256];
        ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        line.append(buffer, size_t(n));
    }
    ::close(pipeFds[0]);
    if (line.find('\n') == std::string::npos) {
        *error = "dbus-daemon did not start (is the dbus package installed?)";
        return false;
    }
    m_address = line.substr(0, line.find('\n'));

    static int s_count = 0;
    m_connectionName = "mock-bluez-test-" + std::to_string(++s_count);
    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromStdString(m_address), QString::fromStdString(m_connectionName));
    if (!bus.isConnected()) {
        *error = "cannot connect to the private bus: " + bus.lastError().message().toStdString();
        return false;
    }
    if (!withBluez)
        return true;

    const std::string python = findPython();
    if (python.empty()) {
        *error = "python3 with dbusmock not found (Debian package python3-dbusmock)";
        return false;
    }
    m_mockPid = spawn({python, "-m", "dbusmock", "--template", "bluez5"},
                      {"DBUS_SESSION_BUS_ADDRESS=" + m_address, "DBUS_SYSTEM_BUS_ADDRESS=" + m_address}, -1);
    while (std::chrono::steady_clock::now() < deadline) {
        QDBusMessage ask = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                          "org.freedesktop.DBus", "NameHasOwner");
        ask << QStringLiteral("org.bluez");
        QDBusMessage reply = bus.call(ask, QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool())
            return true;
        if (exited(m_mockPid)) {
            m_mockPid = -1;
            *error = "the BlueZ mock exited at start";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    *error = "the BlueZ mock did not come up in time";
    return false;
}

namespace {

bool send(const std::string& connectionName, QDBusMessage message, std::string* error) {
    QDBusConnection bus(QString::fromStdString(connectionName));
    QDBusMessage reply = bus.call(message, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *error = message.member().toStdString() + ": " + reply.errorMessage().toStdString();
        return false;
    }
    return true;
}

QDBusMessage mockCall(const char* method) {
    return QDBusMessage::createMethodCall("org.bluez", "/org/bluez", "org.bluez.Mock", method);
}

std::string devicePath(const std::string& adapter, std::string address) {
    for (char& c : address)
        c = c == ':' ? '_' : char(std::toupper(static_cast<unsigned char>(c)));
    return "/org/bluez/" + adapter + "/dev_" + address;
}

} // namespace

bool MockBluez::AddAdapter(const std::string& name, std::string* error) {
    QDBusMessage m = mockCall("AddAdapter");
    m << QString::fromStdString(name) << QStringLiteral("harlune-test");
    return send(m_connectionName, m, error);
}

bool MockBluez::AddUnpairedDevice(const std::string& adapter, const std::string& address, const std::string& name,
                                  std::string* error) {
    QDBusMessage m = mockCall("AddDevice");
    m << QString::fromStdString(adapter) << QString::fromStdString(address) << QString::fromStdString(name);
    return send(m_connectionName, m, error);
}

bool MockBluez::AddPairedDevice(const std::string& adapter, const std::string& address, const std::string& name,
                                uint32_t classOfDevice, std::string* error) {
    if (!AddUnpairedDevice(adapter, address, name, error))
        return false;
    QDBusMessage pair = mockCall("PairDevice");
    pair << QString::fromStdString(adapter) << QString::fromStdString(address) << int(classOfDevice);
    if (!send(m_connectionName, pair, error))
        return false;
    QDBusMessage update = QDBusMessage::createMethodCall("org.bluez", QString::fromStdString(devicePath(adapter, address)),
                                                         "org.freedesktop.DBus.Mock", "UpdateProperties");
    QVariantMap props;
    props.insert(QStringLiteral("Class"), QVariant::fromValue(uint(classOfDevice)));
    update << QStringLiteral("org.bluez.Device1") << props;
    return send(m_connectionName, update, error);
}
