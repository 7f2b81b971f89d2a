#include "prayer_source.h"

#include "model/date_helpers.h"
#include "platform/http_client.h"
#include "platform/service_config.h"

#include <QUrl>

namespace lumora {

PrayerSource::PrayerSource(QNetworkAccessManager& network, QString userAgent,
                           std::chrono::milliseconds requestTimeout,
                           std::chrono::milliseconds requestDeadline)
    : userAgent(std::move(userAgent)), m_network(&network), m_requestTimeout(requestTimeout),
      m_requestDeadline(requestDeadline) {}

QStringList PrayerSource::monthAddresses(const QString& baseUrl, const QString& cityCode,
                                         const QString& monthKey) {
    const QString query =
        baseUrl + QStringLiteral("?city=") + cityCode + QStringLiteral("&month=") + monthKey;
    QStringList addresses;
    for (const char* format :
         {"&export=json", "&export=xml", "&format=json", "&format=xml", "&output=json", "&output=xml", ""})
        addresses.append(query + QString::fromLatin1(format));
    return addresses;
}

QCoro::Task<PrayerMonthCache> PrayerSource::loadMonthDetailed(QString cityCode, Instant month) const {
    const QString monthKey = DateHelpers::monthFormatter().format(month);
    PrayerMonthCache empty{cityCode, monthKey, {}};
    const QString baseUrl = scheduleBaseUrl();
    if (baseUrl.isEmpty()) co_return empty;
    // The code goes into the address unencoded; one holding '&', '/' or the like would change the query or
    // the path, so every attempt fails without a request.
    if (!isSafeCityCode(cityCode)) co_return empty;

    for (const QString& address : monthAddresses(baseUrl, cityCode, monthKey)) {
        const Result<QString> body = co_await fetch(address);
        if (!body) continue;
        const Result<PrayerMonthCache> parsed = parse(*body, cityCode, monthKey);
        if (parsed && !parsed->days.isEmpty()) co_return *parsed;
    }
    co_return empty;
}

QCoro::Task<Result<QString>> PrayerSource::fetch(QString address) const {
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid()) co_return Result<QString>::fail(QStringLiteral("invalid address: ") + address);
    HttpGetOptions options;
    options.headers = {{"User-Agent", userAgent.toUtf8()}, {"Accept", kAccept}};
    options.timeout = m_requestTimeout;
    options.maxBytes = kMaxBodyBytes;
    options.deadline = m_requestDeadline;
    const Result<HttpResponse> response = co_await httpGet(*m_network, url, options);
    if (!response) co_return Result<QString>::fail(response.error());
    // Status and headers are not looked at: an error page that holds days is as good as any. Only UTF-8 is
    // honoured, whatever the answer declares; invalid sequences become U+FFFD.
    co_return Result<QString>::ok(QString::fromUtf8(response->body));
}

} // namespace lumora
