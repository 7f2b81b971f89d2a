#include "http_client.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <qcoro/qcoronetworkreply.h>

#include <memory>

namespace lumora {

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
    auto tooLarge = std::make_shared<bool>(false);
    if (options.maxBytes > 0) {
        QPointer<QNetworkReply> guard(reply.get());
        const qint64 limit = options.maxBytes;
        QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
                         [guard, limit, tooLarge](qint64 received, qint64 total) {
                             if (guard && (received > limit || total > limit)) {
                                 *tooLarge = true;
                                 guard->abort();
                             }
                         });
    }
    co_await reply.get();

    if (*tooLarge) co_return R::fail(QStringLiteral("body larger than %1 bytes").arg(options.maxBytes));
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An HTTP error status still carries a body worth reading; a missing answer is a failure, and so is one
    // whose transfer broke off (connection lost, time-out) after the status line: its body is incomplete.
    const QNetworkReply::NetworkError error = reply->error();
    const bool transportError =
        error != QNetworkReply::NoError &&
        (error < QNetworkReply::ContentAccessDenied || error == QNetworkReply::ProtocolFailure);
    if (transportError || (error != QNetworkReply::NoError && status == 0))
        co_return R::fail(reply->errorString());
    HttpResponse response{status, reply->readAll()};
    if (options.maxBytes > 0 && response.body.size() > options.maxBytes)
        co_return R::fail(QStringLiteral("body larger than %1 bytes").arg(options.maxBytes));
    co_return R::ok(std::move(response));
}

} // namespace lumora
