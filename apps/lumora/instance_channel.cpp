#include "instance_channel.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <utility>

#include <sys/stat.h>

namespace lumora {

namespace {

Q_LOGGING_CATEGORY(lcChannel, "lumora.instance", QtInfoMsg)

constexpr QByteArrayView kActivate = "activate\n";
constexpr QByteArrayView kActivateLine = "activate";
/// What Qt may hold for one connection between two of our reads.
constexpr qint64 kReadBuffer = 64 * 1024;

bool isSocketFile(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

} // namespace

QString InstanceChannel::socketPath() {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/lumora.socket");
}

InstanceChannel::InstanceChannel(QObject* parent) : QObject(parent) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &InstanceChannel::onConnection);
    m_listenCheck.setInterval(kListenCheck);
    connect(&m_listenCheck, &QTimer::timeout, this, &InstanceChannel::checkListening);
}

InstanceChannel::~InstanceChannel() {
    // The sockets are the server's children; only our hold on them goes here.
    for (Connection& c : m_connections) {
        c.socket->disconnect(this);
        c.deadline->disconnect(this);
    }
}

bool InstanceChannel::listen(const QString& path) {
    m_path = path;
    m_listenCheck.start();
    m_up = listenNow();
    return m_up;
}

bool InstanceChannel::listenNow() {
    if (m_server.isListening()) m_server.close();
    // A copy killed outright leaves its socket file behind; holding the lock proves it is stale.
    QLocalServer::removeServer(m_path);
    return m_server.listen(m_path);
}

void InstanceChannel::checkListening() {
    // A cleaner of the runtime folder may take the file away while the server still listens on it.
    if (m_server.isListening() && isSocketFile(m_path)) return;
    const bool wasUp = m_up;
    m_up = listenNow();
    if (m_up)
        qCInfo(lcChannel) << "listening again at" << m_path;
    else if (wasUp) // told once per outage, not every second of it
        qCWarning(lcChannel).noquote() << "stopped listening at" << m_path << "(" << m_server.errorString()
                                       << "); trying again every" << kListenCheck.count() << "ms";
}

void InstanceChannel::onConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        if (static_cast<int>(m_connections.size()) >= kMaxConnections) {
            // The oldest makes way: a real start writes its line at once, so what it sent is read first,
            // and a crowd of silent clients cannot lock a later start out.
            const auto oldest = m_connections.begin();
            if (readFrom(oldest)) drop(oldest);
        }
        socket->setReadBufferSize(kReadBuffer);
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        const auto it = m_connections.insert(m_connections.end(), Connection{socket, {}, deadline});
        connect(deadline, &QTimer::timeout, this, [this, it] {
            qCDebug(lcChannel) << "a client took longer than" << kConnectionLimit.count() << "ms; dropped";
            drop(it);
        });
        connect(socket, &QLocalSocket::readyRead, this, [this, it] { readFrom(it); });
        connect(socket, &QLocalSocket::disconnected, this, [this, it] {
            if (readFrom(it)) drop(it);
        });
        deadline->start(kConnectionLimit);
        // Its line may be here already.
        readFrom(it);
    }
}

bool InstanceChannel::readFrom(std::list<Connection>::iterator it) {
    Connection& c = *it;
    char buffer[kMaxLine];
    for (;;) {
        const qint64 n = c.socket->read(buffer, sizeof buffer);
        if (n <= 0) return true;
        QByteArrayView rest(buffer, n);
        while (!rest.isEmpty()) {
            const qsizetype newline = rest.indexOf('\n');
            const QByteArrayView part = newline < 0 ? rest : rest.first(newline);
            if (c.pending.size() + part.size() > kMaxLine) {
                qCDebug(lcChannel) << "a client sent a line longer than" << kMaxLine << "bytes; dropped";
                drop(it);
                return false;
            }
            c.pending.append(part);
            if (newline < 0) break;
            const QByteArray line = std::exchange(c.pending, {});
            rest = rest.sliced(newline + 1);
            lineReceived(line);
        }
    }
}

void InstanceChannel::drop(std::list<Connection>::iterator it) {
    QLocalSocket* socket = it->socket;
    it->deadline->stop();
    it->deadline->disconnect(this);
    socket->disconnect(this);
    m_connections.erase(it);
    socket->abort();
    socket->deleteLater();
}

void InstanceChannel::lineReceived(const QByteArray& line) {
    if (line != kActivateLine) return;
    // A burst (a script, a double click on the launcher) raises the window once.
    if (m_lastActivate.isValid() && m_lastActivate.elapsed() < kActivateQuiet.count()) return;
    m_lastActivate.start();
    Q_EMIT activateRequested();
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
