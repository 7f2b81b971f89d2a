#include "instance_channel.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace lumora {

namespace {
constexpr QByteArrayView kActivate = "activate\n";
}

QString InstanceChannel::socketPath() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/lumora.socket");
}

InstanceChannel::InstanceChannel(QObject* parent) : QObject(parent) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &InstanceChannel::onConnection);
}

bool InstanceChannel::listen(const QString& path) {
    // A copy killed outright leaves its socket file behind; holding the lock proves it is stale.
    QLocalServer::removeServer(path);
    return m_server.listen(path);
}

void InstanceChannel::onConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == kActivate.toByteArray()) Q_EMIT activateRequested();
            }
        });
    }
}

bool InstanceChannel::activateRunningCopy(std::chrono::milliseconds limit, const QString& path) {
    const QDeadlineTimer deadline(limit);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) return false;
    socket.write(kActivate.data(), kActivate.size());
    const bool sent = socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
    socket.disconnectFromServer();
    return sent;
}

} // namespace lumora
