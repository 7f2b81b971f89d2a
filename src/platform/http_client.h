#pragma once

#include "model/result.h"

#include <QByteArray>
#include <QList>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <utility>

class QNetworkAccessManager;

namespace lumora {

struct HttpGetOptions {
    /// Header name and value pairs; nothing else of the program's own is sent.
    QList<std::pair<QByteArray, QByteArray>> headers;
    /// Transfer time-out, the longest silence allowed; 0 keeps Qt's default (none).
    std::chrono::milliseconds timeout{0};
    /// A larger body fails the request and the download is aborted as soon as it passes the limit; 0 for
    /// no limit.
    qint64 maxBytes = 0;
    /// The longest a whole request may take, however steadily the bytes come; 0 for none.
    std::chrono::milliseconds deadline{0};
};

struct HttpResponse {
    int status = 0;
    QByteArray body;
};

/// One GET. Any answer that arrives is a response, whatever its status; transport errors, time-outs, a passed
/// deadline and oversized bodies are failures.
QCoro::Task<Result<HttpResponse>> httpGet(QNetworkAccessManager& nam, QUrl url, HttpGetOptions options);

} // namespace lumora
