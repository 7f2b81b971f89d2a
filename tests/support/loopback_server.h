#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

namespace lumora::test {

/// A small HTTP/1.1 service on 127.0.0.1 for tests: answers each request from a handler and records it.
/// It serves on its own thread, so a test may block (waitForFinished, QCoro::waitFor) while it answers.
/// Every answer carries Content-Length and "Connection: close"; one request per connection.
class LoopbackServer {
public:
    struct Request {
        QByteArray method;
        QByteArray target; ///< path and query exactly as sent
        QList<std::pair<QByteArray, QByteArray>> headers;
        /// The first header of that name, compared case-insensitively; empty when absent.
        QByteArray header(const QByteArray& name) const;
    };
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/html; charset=utf-8";
        bool never = false; ///< accept and read the request, never answer
        /// When 0 or more: Content-Length still announces the whole body, but only this many bytes of it are
        /// sent before the connection is closed (a transfer cut off half way).
        qsizetype cutAfter = -1;
        /// When above 0: no Content-Length, and after the head this many blanks are sent as fast as the
        /// client takes them, in place of `body`; then the connection closes.
        qint64 streamBytes = 0;
        /// When above 0: no Content-Length, and after the head one blank goes out per interval until the
        /// client gives up (a service that is never quite silent); `body` is not sent.
        std::chrono::milliseconds trickleEvery{0};
        /// Further header lines, sent as given after Content-Type ("Location", "Retry-After",
        /// "Content-Encoding" with a body already encoded, ...).
        QList<std::pair<QByteArray, QByteArray>> headers{};
    };
    /// `bytes` in gzip form, for a body sent with "Content-Encoding: gzip".
    static QByteArray gzip(const QByteArray& bytes);
    /// `count` blanks in gzip form, built piece by piece so that a body decoding to gigabytes costs only
    /// its compressed size (about a thousandth) in memory.
    static QByteArray gzipBlanks(qint64 count);

    /// Called on the server's thread, once per request.
    using Handler = std::function<Reply(const Request&)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    /// Thread-safe; the default handler answers 404 with an empty body.
    void setHandler(Handler h);
    /// http://127.0.0.1:<port>/adzan/
    QUrl baseUrl() const;
    quint16 port() const;
    /// Every request so far, in arrival order.
    QList<Request> requests() const;
    void clearRequests();
    /// Body bytes handed to the sockets so far, over all answers (a streamed body counts as it goes out).
    qint64 bodyBytesSent() const;

private:
    class Thread;
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<Thread> m_thread;
};

} // namespace lumora::test
