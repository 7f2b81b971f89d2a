#include "http_client.h"

#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <qcoro/qcoronetworkreply.h>

#include <zlib.h>

#include <algorithm>
#include <memory>

namespace lumora {

namespace {

// Enough for a month's answer in a few chunks, small enough that the limit is never overshot by much.
constexpr qint64 kReadBufferBytes = 256 * 1024;

// What we accept, in place of Qt's own offer: Qt decodes a body only after it has arrived in large pieces,
// and it leaves a reply open until the transfer time-out when it gives up on one. Decoding here keeps the
// limit on the decoded bytes as they come.
constexpr const char* kAcceptEncoding = "gzip, deflate";

/// A gzip or zlib ("deflate") body decoded piece by piece, never past a limit.
class Inflater {
public:
    Inflater() {
        // 15 + 32: either wrapper, told apart by its header.
        m_ready = inflateInit2(&m_z, 15 + 32) == Z_OK;
    }
    ~Inflater() {
        if (m_ready) inflateEnd(&m_z);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    enum Outcome { Fine, TooLarge, Broken };
    /// Decodes `input` onto `out`; stops as soon as `out` would pass `limit` (0: none).
    Outcome feed(const QByteArray& input, QByteArray& out, qint64 limit) {
        if (!m_ready) return Broken;
        if (input.isEmpty()) return Fine;
        m_fed = true;
        m_z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
        m_z.avail_in = static_cast<uInt>(input.size());
        char piece[64 * 1024];
        bool more = true;
        while (more) {
            if (m_ended) {
                // Another gzip member may follow; anything else after the end is padding, as browsers take
                // it.
                if (m_z.avail_in < 2 || m_z.next_in[0] != 0x1f || m_z.next_in[1] != 0x8b) return Fine;
                if (inflateReset(&m_z) != Z_OK) return Broken;
                m_ended = false;
            }
            m_z.next_out = reinterpret_cast<Bytef*>(piece);
            m_z.avail_out = sizeof piece;
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) return Broken;
            const qsizetype produced = qsizetype(sizeof piece - m_z.avail_out);
            if (limit > 0 && out.size() + produced > limit) return TooLarge;
            out.append(piece, produced);
            if (rc == Z_STREAM_END) {
                m_ended = true;
                more = m_z.avail_in > 0;
            } else {
                // A full piece may leave more output inside zlib even when the input is used up.
                more = rc != Z_BUF_ERROR && (m_z.avail_in > 0 || m_z.avail_out == 0);
            }
        }
        return Fine;
    }
    /// Whether the body ended where its encoding does (an empty body counts).
    bool complete() const { return m_ended || !m_fed; }

private:
    z_stream m_z{};
    bool m_ready = false;
    bool m_ended = false;
    bool m_fed = false;
};

struct Transfer {
    enum Refusal { None, TooLarge, Late, Undecodable };
    QByteArray body;
    Refusal refused = None;
    bool encodingKnown = false;
    std::unique_ptr<Inflater> inflater; ///< for a compressed body

    // Several signals may find a reason to stop in the same turn of the event loop (a large decoded chunk
    // and its announced length, a deadline); the reply is aborted once, for the first of them.
    void refuse(const QPointer<QNetworkReply>& reply, Refusal why) {
        if (refused != None) return;
        refused = why;
        if (reply && !reply->isFinished()) reply->abort();
    }
};

// Same scheme, host and port: a redirect may move within the service, never hand the request (and whatever
// the next hop answers) to someone else or onto another protocol.
bool sameOrigin(const QUrl& a, const QUrl& b) {
    const int defaultPort = a.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80;
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port(defaultPort) == b.port(defaultPort);
}

} // namespace

std::optional<std::chrono::seconds> retryAfterDelay(const QByteArray& value, const QDateTime& nowUtc) {
    const QByteArray text = value.trimmed();
    if (text.isEmpty()) return std::nullopt;
    bool isNumber = false;
    const qlonglong seconds = text.toLongLong(&isNumber);
    if (isNumber) return seconds < 0 ? std::nullopt : std::optional(std::chrono::seconds(seconds));
    const bool allDigits = std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (allDigits) return std::chrono::seconds::max(); // more seconds than a 64-bit count holds
    // The preferred HTTP date form, "Sun, 06 Nov 1994 08:49:37 GMT"; the obsolete forms are not written by
    // any service still running.
    QDateTime at =
        QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!at.isValid()) return std::nullopt;
    at.setTimeSpec(Qt::UTC);
    const qint64 wait = nowUtc.secsTo(at);
    return std::chrono::seconds(std::max<qint64>(0, wait));
}

namespace {

/// Whether Qt's error for a reply can stand for its HTTP error status alone (Qt's own table of which error
/// for which status has changed between versions); anything else means the transfer itself went wrong.
bool isStatusError(QNetworkReply::NetworkError error, int status) {
    if (status < 400) return false; // a 2xx or 3xx answer with an error broke off or would not decode
    return error >= QNetworkReply::ContentAccessDenied && error != QNetworkReply::ProtocolFailure;
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

struct Hop {
    HttpResponse response;
    QUrl location; ///< as sent, possibly relative; empty when none
};

// One request, no redirect followed.
QCoro::Task<Result<Hop>> getOnce(QNetworkAccessManager& nam, QUrl url, HttpGetOptions options,
                                 std::chrono::milliseconds deadlineLeft) {
    using R = Result<Hop>;
    QNetworkRequest request(url);
    for (const auto& [name, value] : options.headers)
        request.setRawHeader(name, value);
    if (options.timeout.count() > 0) request.setTransferTimeout(static_cast<int>(options.timeout.count()));
    // Qt would follow up to 50 redirects anywhere; httpGet follows them itself.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    // Naming the encodings ourselves is what keeps Qt from decoding.
    if (!request.hasRawHeader("Accept-Encoding")) request.setRawHeader("Accept-Encoding", kAcceptEncoding);
    const qint64 limit = options.maxBytes;

    // The coroutine resumes inside the reply's finished signal (an abort or a time-out included), so the
    // reply must not be destroyed before that emission has unwound.
    const auto later = [](QNetworkReply* r) { r->deleteLater(); };
    std::unique_ptr<QNetworkReply, decltype(later)> reply(nam.get(request), later);
    QPointer<QNetworkReply> guard(reply.get());
    auto transfer = std::make_shared<Transfer>();

    // The body is taken chunk by chunk and measured as it comes, decoded: progress signals arrive at most
    // every 100 ms, by which time a fast service has sent far more than the limit. The small read buffer
    // makes Qt stop reading the socket until the last chunk has been taken.
    reply->setReadBufferSize(kReadBufferBytes);
    const auto take = [guard, transfer, limit] {
        if (!guard || transfer->refused) return;
        if (!transfer->encodingKnown) {
            transfer->encodingKnown = true;
            const QByteArray encoding = guard->rawHeader("Content-Encoding").trimmed().toLower();
            if (encoding == "gzip" || encoding == "x-gzip" || encoding == "deflate") {
                transfer->inflater = std::make_unique<Inflater>();
            } else if (!encoding.isEmpty() && encoding != "identity") {
                return transfer->refuse(guard, Transfer::Undecodable);
            }
        }
        const QByteArray chunk = guard->readAll();
        if (!transfer->inflater) {
            transfer->body += chunk;
            if (limit > 0 && transfer->body.size() > limit) transfer->refuse(guard, Transfer::TooLarge);
            return;
        }
        switch (transfer->inflater->feed(chunk, transfer->body, limit)) {
        case Inflater::Fine:
            break;
        case Inflater::TooLarge:
            return transfer->refuse(guard, Transfer::TooLarge);
        case Inflater::Broken:
            return transfer->refuse(guard, Transfer::Undecodable);
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), take);
    // An encoded length says nothing of the decoded one, but a larger one is already too large.
    if (limit > 0) {
        QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, reply.get(), [guard, transfer, limit] {
            if (!guard || transfer->refused) return;
            const QVariant announced = guard->header(QNetworkRequest::ContentLengthHeader);
            if (announced.isValid() && announced.toLongLong() > limit)
                transfer->refuse(guard, Transfer::TooLarge);
        });
    }
    // The transfer time-out counts silence only: a service sending a byte now and then would hold the
    // request for ever without this.
    QPointer<QTimer> deadline;
    if (deadlineLeft.count() > 0) {
        deadline = new QTimer(reply.get());
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, reply.get(),
                         [guard, transfer] { transfer->refuse(guard, Transfer::Late); });
        deadline->start(deadlineLeft);
    }
    co_await reply.get();
    if (deadline) deadline->stop();
    take(); // what is left after the last readyRead

    if (transfer->refused == Transfer::TooLarge)
        co_return R::fail(QStringLiteral("body larger than %1 bytes").arg(limit));
    if (transfer->refused == Transfer::Late)
        co_return R::fail(QStringLiteral("no complete answer within %1 ms").arg(options.deadline.count()));
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An HTTP error status still carries a body worth reading; a missing answer is a failure, and so is one
    // whose transfer broke off (connection lost, time-out) after the status line: its body is incomplete.
    const QNetworkReply::NetworkError error = reply->error();
    if (transfer->refused == Transfer::Undecodable)
        co_return R::fail(
            QStringLiteral("body not decodable (Content-Encoding: %1)")
                .arg(QString::fromLatin1(reply->rawHeader("Content-Encoding").left(40).toPercentEncoding())));
    if (status == 0 || (error != QNetworkReply::NoError && !isStatusError(error, status)))
        co_return R::fail(reply->errorString());
    // A compressed body cut short decodes to a shorter one that looks whole.
    if (transfer->inflater && !transfer->inflater->complete())
        co_return R::fail(QStringLiteral("compressed body ends before its encoding does"));
    Hop hop{HttpResponse{status, transfer->body, reply->rawHeader("Retry-After")},
            reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl()};
    co_return R::ok(std::move(hop));
}

} // namespace

QCoro::Task<Result<HttpResponse>> httpGet(QNetworkAccessManager& nam, QUrl url, HttpGetOptions options) {
    using R = Result<HttpResponse>;
    using std::chrono::milliseconds;
    if (!url.isValid() || url.scheme().isEmpty()) co_return R::fail(QStringLiteral("invalid address"));

    // The deadline is for the whole request, redirects included.
    const auto started = std::chrono::steady_clock::now();
    QUrl current = url;
    for (int redirects = 0;; ++redirects) {
        milliseconds left{0};
        if (options.deadline.count() > 0) {
            const auto spent =
                std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - started);
            left = options.deadline - spent;
            if (left.count() <= 0)
                co_return R::fail(
                    QStringLiteral("no complete answer within %1 ms").arg(options.deadline.count()));
        }
        const Result<Hop> hop = co_await getOnce(nam, current, options, left);
        if (!hop) co_return R::fail(hop.error());
        if (!isRedirect(hop->response.status) || hop->location.isEmpty()) co_return R::ok(hop->response);

        const QUrl next = current.resolved(hop->location);
        // Encoded, the address is plain printable ASCII whatever the service put in its Location.
        const QString shown = next.toString(QUrl::FullyEncoded).left(200);
        if (!next.isValid() || !sameOrigin(url, next))
            co_return R::fail(QStringLiteral("redirect to another origin not followed: ") + shown);
        if (redirects >= options.maxRedirects)
            co_return R::fail(
                QStringLiteral("more than %1 redirects, the last to ").arg(options.maxRedirects) + shown);
        current = next;
    }
}

} // namespace lumora
