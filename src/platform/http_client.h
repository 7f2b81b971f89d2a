#pragma once

#include "model/result.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QUrl>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <optional>
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
    /// Redirects followed at most; each must stay on the address's scheme, host and port.
    int maxRedirects = 5;
};

struct HttpResponse {
    int status = 0;
    /// Decoded: a compressed answer is measured against the limit by what it expands to.
    QByteArray body;
    /// The "Retry-After" header as sent; empty when absent.
    QByteArray retryAfter;
};

/// One GET. Any answer that arrives is a response, whatever its status; transport errors, time-outs, a passed
/// deadline, oversized bodies, too many redirects and a redirect elsewhere are failures.
QCoro::Task<Result<HttpResponse>> httpGet(QNetworkAccessManager& nam, QUrl url, HttpGetOptions options);

/// How long a "Retry-After" value asks to wait from `nowUtc`: delay seconds or an HTTP date (a date already
/// past is no wait). Nothing for an empty or unreadable value.
std::optional<std::chrono::seconds> retryAfterDelay(const QByteArray& value, const QDateTime& nowUtc);

} // namespace lumora
