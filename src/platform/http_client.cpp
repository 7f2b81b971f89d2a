#include "http_client.h"

#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <qcoro/qcoronetworkreply.h>

#include <algorithm>
#include <memory>

namespace lumora {

namespace {

// Enough for a month's answer in a few chunks, small enough that the limit is never overshot by much.
constexpr qint64 kReadBufferBytes = 256 * 1024;

struct Transfer {
    enum Refusal { None, TooLarge, Late };
    QByteArray body;
    Refusal refused = None;

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
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 &&
           a.port(defaultPort) == b.port(defaultPort);
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
    QDateTime at = QLocale::c().toDateTime(QString::fromLatin1(text), QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
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
    const qint64 limit = options.maxBytes;
    // Qt decodes a compressed body itself (it asks for one unless the caller names its own encodings) and
    // refuses an implausibly well compressed one once the decoded size passes this; without it, it decodes
    // 10 MiB before looking.
    if (limit > 0) request.setDecompressedSafetyCheckThreshold(limit);

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
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), [guard, transfer, limit] {
        if (!guard || transfer->refused) return;
        transfer->body += guard->readAll();
        if (limit > 0 && transfer->body.size() > limit) transfer->refuse(guard, Transfer::TooLarge);
    });
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

    if (transfer->refused == Transfer::TooLarge)
        co_return R::fail(QStringLiteral("body larger than %1 bytes").arg(limit));
    if (transfer->refused == Transfer::Late)
        co_return R::fail(QStringLiteral("no complete answer within %1 ms").arg(options.deadline.count()));
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An HTTP error status still carries a body worth reading; a missing answer is a failure, and so is one
    // whose transfer broke off (connection lost, time-out, a body that would not decode) after the status
    // line: its body is incomplete.
    const QNetworkReply::NetworkError error = reply->error();
    if (status == 0 || (error != QNetworkReply::NoError && !isStatusError(error, status))) {
        // Qt names no reason when it stops decoding an implausibly well compressed body.
        if (error == QNetworkReply::UnknownContentError && limit > 0 && status < 400)
            co_return R::fail(
                QStringLiteral("body larger than %1 bytes once decoded, or not decodable (%2)")
                    .arg(limit)
                    .arg(reply->errorString()));
        co_return R::fail(reply->errorString());
    }
    Hop hop{HttpResponse{status, transfer->body + reply->readAll(), reply->rawHeader("Retry-After")},
            reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl()};
    if (limit > 0 && hop.response.body.size() > limit)
        co_return R::fail(QStringLiteral("body larger than %1 bytes").arg(limit));
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
            co_return R::fail(QStringLiteral("more than %1 redirects, the last to ").arg(options.maxRedirects) +
                              shown);
        current = next;
    }
}

} // namespace lumora
