#include "singleinstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace ui {

namespace {
constexpr int kKnockMs = 1000;
const QByteArray kRaise = QByteArrayLiteral("raise\n");
} // namespace

SingleInstance::SingleInstance(std::function<void()> raise, QObject* parent)
    : QObject(parent), m_raise(std::move(raise)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::SocketPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("harlune-%1.instance").arg(getuid()));
}

bool SingleInstance::knock() const {
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(kKnockMs))
        return false;
    socket.write(kRaise);
    socket.waitForBytesWritten(kKnockMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleInstance::Claim() {
    if (knock())
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(SocketPath())) {
        // Nobody answered, so the socket file is left over from an instance that crashed, or
        // a second start is claiming it at this very moment: knock once more before taking it.
        if (knock())
            return false;
        QLocalServer::removeServer(SocketPath());
        if (!m_server->listen(SocketPath()))
            return true; // no socket to be had: run unguarded rather than not at all
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            if (m_raise)
                m_raise();
        }
    });
    return true;
}

} // namespace ui
