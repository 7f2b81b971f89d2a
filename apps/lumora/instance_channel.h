#pragma once

#include <QElapsedTimer>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <list>

class QLocalSocket;

namespace lumora {

/// How a second start reaches the running copy: a per-user local socket in the runtime folder, owner-only.
/// The running copy listens; a later start sends "activate" and exits.
///
/// Whatever connects is a client of a few bytes and milliseconds: a line is at most `kMaxLine` bytes, a
/// connection lives at most `kConnectionLimit`, at most `kMaxConnections` are open at once (the oldest makes
/// way), and a burst of "activate" lines raises the window once. Should the server stop listening (Qt
/// closes it when `accept` fails, at the descriptor limit), it listens again.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMaxLine = 4096;
    static constexpr int kMaxConnections = 16;
    static constexpr std::chrono::milliseconds kConnectionLimit{2000};
    /// "activate" lines closer together than this after a raise ask for nothing new.
    static constexpr std::chrono::milliseconds kActivateQuiet{1000};
    /// How often the server checks it is still listening and its socket file is still there.
    static constexpr std::chrono::milliseconds kListenCheck{1000};

    /// The socket's path: $XDG_RUNTIME_DIR/lumora.socket (Qt's private runtime folder when that is unset).
    static QString socketPath();

    explicit InstanceChannel(QObject* parent = nullptr);
    ~InstanceChannel() override;
    /// Listens at `path`, replacing a socket left by a copy that died: only the lock holder calls this. Also
    /// on false, it tries again every `kListenCheck` until it listens.
    bool listen(const QString& path = socketPath());
    bool isListening() const { return m_server.isListening(); }
    /// Connections open now.
    int connectionCount() const { return static_cast<int>(m_connections.size()); }

    /// Sends "activate" to the running copy; false when nobody answered within `limit`.
    static bool activateRunningCopy(std::chrono::milliseconds limit, const QString& path = socketPath());

Q_SIGNALS:
    void activateRequested();

private:
    struct Connection {
        QLocalSocket* socket;
        QByteArray pending; ///< the start of a line whose newline has not come yet
        QTimer* deadline;
    };

    void onConnection();
    /// Reads what arrived and acts on each whole line; false when that dropped the connection.
    bool readFrom(std::list<Connection>::iterator it);
    void drop(std::list<Connection>::iterator it);
    void lineReceived(const QByteArray& line);
    bool listenNow();
    void checkListening();

    QLocalServer m_server;
    QString m_path;
    std::list<Connection> m_connections; // oldest first
    QTimer m_listenCheck;
    QElapsedTimer m_lastActivate;
    bool m_up = false;
};

} // namespace lumora
