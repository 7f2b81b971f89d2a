#include "support/loopback_server.h"

#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <zlib.h>

#include <algorithm>
#include <memory>

namespace lumora::test {

QByteArray LoopbackServer::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

struct LoopbackServer::Shared {
    mutable QMutex mutex;
    Handler handler;
    QList<Request> requests;
    quint16 port = 0;
    qint64 bodyBytesSent = 0;
};

namespace {

LoopbackServer::Reply notFound(const LoopbackServer::Request&) {
    return {.status = 404, .body = {}};
}

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

/// The request line and headers from a complete head (everything before the blank line).
LoopbackServer::Request parseHead(const QByteArray& head) {
    LoopbackServer::Request request;
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return request;
}

/// Feeds `pieces` pieces of `piece` (the last one cut to `lastSize`) through one gzip stream.
QByteArray gzipPieces(const QByteArray& piece, qint64 pieces, qsizetype lastSize) {
    z_stream z{};
    // 15 + 16: a gzip header and trailer around the deflate data, as "Content-Encoding: gzip" means.
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    QByteArray out;
    char buffer[64 * 1024];
    for (qint64 i = 0; i < pieces; ++i) {
        const bool last = i + 1 == pieces;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.constData()));
        z.avail_in = static_cast<uInt>(last ? lastSize : piece.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

} // namespace

QByteArray LoopbackServer::gzip(const QByteArray& bytes) {
    return gzipPieces(bytes, 1, bytes.size());
}

QByteArray LoopbackServer::gzipBlanks(qint64 count) {
    constexpr qsizetype kPiece = 1024 * 1024;
    const qint64 pieces = std::max<qint64>(1, (count + kPiece - 1) / kPiece);
    const qsizetype last = count <= 0 ? 0 : qsizetype(count - (pieces - 1) * kPiece);
    return gzipPieces(QByteArray(kPiece, ' '), pieces, last);
}

// The server and its sockets are created, used and destroyed inside run(), so they all belong to this thread.
class LoopbackServer::Thread : public QThread {
public:
    explicit Thread(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}

    void waitUntilListening() { m_ready.acquire(); }

protected:
    void run() override {
        QTcpServer server;
        if (server.listen(QHostAddress::LocalHost, 0)) {
            QMutexLocker lock(&m_shared->mutex);
            m_shared->port = server.serverPort();
        }
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                serve(socket);
        });
        m_ready.release();
        exec();
    }

private:
    void serve(QTcpSocket* socket) {
        struct Incoming {
            QByteArray head;
            bool done = false; // later bytes (a request body) are ignored
        };
        auto incoming = std::make_shared<Incoming>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, incoming] {
            const QByteArray bytes = socket->readAll();
            if (incoming->done) return;
            incoming->head.append(bytes);
            const qsizetype end = incoming->head.indexOf("\r\n\r\n");
            if (end < 0) return;
            incoming->done = true;
            answer(socket, parseHead(incoming->head.left(end)));
        });
    }

    void answer(QTcpSocket* socket, const Request& request) {
        Handler handler;
        {
            QMutexLocker lock(&m_shared->mutex);
            m_shared->requests.append(request);
            handler = m_shared->handler;
        }
        const Reply reply = handler ? handler(request) : notFound(request);
        if (reply.never) return;
        const bool unbounded = reply.streamBytes > 0 || reply.trickleEvery.count() > 0;
        QByteArray out =
            "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
        if (!reply.contentType.isEmpty()) out += "Content-Type: " + reply.contentType + "\r\n";
        for (const auto& [name, value] : reply.headers)
            out += name + ": " + value + "\r\n";
        if (!unbounded) out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
        out += "Connection: close\r\n\r\n";
        socket->write(out);
        if (reply.streamBytes > 0) return stream(socket, reply.streamBytes);
        if (reply.trickleEvery.count() > 0) return trickle(socket, reply.trickleEvery);
        const QByteArray body = reply.cutAfter >= 0 ? reply.body.left(reply.cutAfter) : reply.body;
        socket->write(body);
        countSent(body.size());
        socket->disconnectFromHost(); // closes once everything written has gone out
    }

    // Writes the next block only once the last one has gone out, so the count follows what the client reads
    // (give or take the sockets' buffers) and memory stays small.
    void stream(QTcpSocket* socket, qint64 total) {
        auto left = std::make_shared<qint64>(total);
        const auto next = [this, socket, left] {
            if (socket->bytesToWrite() > 0) return;
            if (*left <= 0) return socket->disconnectFromHost();
            const qint64 n = std::min<qint64>(64 * 1024, *left);
            *left -= n;
            socket->write(QByteArray(n, ' '));
            countSent(n);
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, next);
        next();
    }

    void trickle(QTcpSocket* socket, std::chrono::milliseconds every) {
        auto* timer = new QTimer(socket);
        QObject::connect(timer, &QTimer::timeout, socket, [this, socket] {
            if (socket->state() != QAbstractSocket::ConnectedState) return;
            socket->write(" ");
            countSent(1);
        });
        timer->start(every);
    }

    void countSent(qint64 n) {
        QMutexLocker lock(&m_shared->mutex);
        m_shared->bodyBytesSent += n;
    }

    std::shared_ptr<Shared> m_shared;
    QSemaphore m_ready;
};

LoopbackServer::LoopbackServer() : m_shared(std::make_shared<Shared>()) {
    m_shared->handler = notFound;
    m_thread = std::make_unique<Thread>(m_shared);
    m_thread->start();
    m_thread->waitUntilListening();
}

LoopbackServer::~LoopbackServer() {
    m_thread->quit();
    m_thread->wait();
}

void LoopbackServer::setHandler(Handler h) {
    QMutexLocker lock(&m_shared->mutex);
    m_shared->handler = h ? std::move(h) : Handler(notFound);
}

QUrl LoopbackServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/adzan/").arg(port()));
}

quint16 LoopbackServer::port() const {
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->port;
}

QList<LoopbackServer::Request> LoopbackServer::requests() const {
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->requests;
}

qint64 LoopbackServer::bodyBytesSent() const {
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->bodyBytesSent;
}

void LoopbackServer::clearRequests() {
    QMutexLocker lock(&m_shared->mutex);
    m_shared->requests.clear();
}

} // namespace lumora::test
