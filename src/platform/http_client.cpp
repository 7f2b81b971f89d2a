#include "http_client.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <qcoro/qcoronetworkreply.h>

#include <memory>

namespace lumora {

namespace {

// Enough for a month's answer in a few chunks, small enough that the limit is never overshot by much.
constexpr qint64 kReadBufferBytes = 256 * 1024;

struct Transfer {
    enum Refusal { None, TooLarge, Late };
    QByteArray body;
    Refusal refused = None;

    void refuse(const QPointer<QNetworkReply>& reply, Refusal why) {
        refused = why;
        if (reply) reply->abort();
    }
};

} // namespace

QCoro::Task<Result<HttpResponse>> httpGet(QNetworkAccessManager& nam, QUrl url, HttpGetOptions options) {
    using R = Result<HttpResponse>;
    if (!url.isValid() || url.scheme().isEmpty()) co_return R::fail(QStringLiteral("invalid address"));

    QNetworkRequest request(url);
    for (const auto& [name, value] : options.headers)
        request.setRawHeader(name, value);
    if (options.timeout.count() > 0) request.setTransferTimeout(static_cast<int>(options.timeout.count()));

    // The coroutine resumes inside the reply's finished signal (an abort or a time-out included), so the
    // reply must not be destroyed before that emission has unwound.
    const auto later = [](QNetworkReply* r) { r->deleteLater(); };
    std::unique_ptr<QNetworkReply, decltype(later)> reply(nam.get(request), later);
    QPointer<QNetworkReply> guard(reply.get());
    auto transfer = std::make_shared<Transfer>();
    const qint64 limit = options.maxBytes;

    // The body is taken chunk by chunk and measured as it comes: progress signals arrive at most every
    // 100 ms, by which time a fast service has sent far more than the limit. The small read buffer makes Qt
    // stop reading the socket until the last chunk has been taken.
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
    if (options.deadline.count() > 0) {
        deadline = new QTimer(reply.get());
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, reply.get(), [guard, transfer] {
            if (guard && !guard->isFinished()) transfer->refuse(guard, Transfer::Late);
        });
        deadline->start(options.deadline);
    }
    co_await reply.get();
    if (deadline) deadline->stop();

    if (transfer->refused == Transfer::TooLarge)
        co_return R::fail(QStringLiteral("body larger than %1 bytes").arg(limit));
    if (transfer->refused == Transfer::Late)
        co_return R::fail(QStringLiteral("no complete answer within %1 ms").arg(options.deadline.count()));
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An HTTP error status still carries a body worth reading; a missing answer is a failure, and so is one
    // whose transfer broke off (connection lost, time-out) after the status line: its body is incomplete.
    const QNetworkReply::NetworkError error = reply->error();
    const bool transportError =
        error != QNetworkReply::NoError &&
        (error < QNetworkReply::ContentAccessDenied || error == QNetworkReply::ProtocolFailure);
    if (transportError || (error != QNetworkReply::NoError && status == 0))
        co_return R::fail(reply->errorString());
    HttpResponse response{status, transfer->body + reply->readAll()};
    if (limit > 0 && response.body.size() > limit)
        co_return R::fail(QStringLiteral("body larger than %1 bytes").arg(limit));
    co_return R::ok(std::move(response));
}

} // namespace lumora
