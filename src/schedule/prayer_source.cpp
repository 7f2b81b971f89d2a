#include "prayer_source.h"

#include "model/city_code.h"
#include "model/date_helpers.h"
#include "model/month_check.h"
#include "platform/http_client.h"
#include "schedule/schedule_log.h"

#include <QUrl>

namespace lumora {

PrayerSource::PrayerSource(QNetworkAccessManager& network, QString userAgent, QString baseUrl,
                           std::chrono::milliseconds requestTimeout,
                           std::chrono::milliseconds requestDeadline)
    : userAgent(std::move(userAgent)), baseUrl(std::move(baseUrl)), m_network(&network),
      m_requestTimeout(requestTimeout), m_requestDeadline(requestDeadline) {}

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

QString describe(MonthLoadOutcome outcome) {
    switch (outcome) {
    case MonthLoadOutcome::found:
        return QStringLiteral("found");
    case MonthLoadOutcome::noServiceConfigured:
        return QStringLiteral("no service configured");
    case MonthLoadOutcome::unsafeCityCode:
        return QStringLiteral("city code not sent");
    case MonthLoadOutcome::noNetwork:
        return QStringLiteral("no answer (network)");
    case MonthLoadOutcome::invalidDays:
        return QStringLiteral("answers refused (times not a sound month)");
    case MonthLoadOutcome::noDays:
        break;
    }
    return QStringLiteral("answers without days");
}

QCoro::Task<PrayerMonthCache> PrayerSource::loadMonthDetailed(QString cityCode, Instant month) const {
    MonthLoad load = co_await loadMonth(std::move(cityCode), month);
    co_return std::move(load.month);
}

QCoro::Task<MonthLoad> PrayerSource::loadMonth(QString cityCode, Instant month) const {
    const QString monthKey = DateHelpers::monthFormatter().format(month);
    MonthLoad empty{PrayerMonthCache{cityCode, monthKey, {}}, MonthLoadOutcome::noServiceConfigured};
    if (baseUrl.isEmpty()) co_return empty;
    // The code goes into the address unencoded; one holding '&', '/' or the like would change the query or
    // the path, so every attempt fails without a request.
    if (!isSafeCityCode(cityCode)) {
        empty.outcome = MonthLoadOutcome::unsafeCityCode;
        co_return empty;
    }

    bool answered = false;
    bool refused = false;
    for (const QString& address : monthAddresses(baseUrl, cityCode, monthKey)) {
        const Result<QString> body = co_await fetch(address);
        if (!body) {
            qCDebug(scheduleLog).noquote() << "GET" << address << "failed:" << body.error();
            continue;
        }
        answered = true;
        const Result<PrayerMonthCache> parsed = parse(*body, cityCode, monthKey);
        if (!parsed) {
            qCDebug(scheduleLog).noquote() << "GET" << address << "unreadable:" << parsed.error();
            continue;
        }
        qCDebug(scheduleLog).noquote() << "GET" << address << "->" << parsed->days.size() << "days";
        if (parsed->days.isEmpty()) continue;
        // A month that is saved is shown for a week: one bad time would be a wrong reminder every day.
        if (const std::optional<QString> problem = monthProblem(*parsed)) {
            qCDebug(scheduleLog).noquote() << "GET" << address << "refused:" << *problem;
            refused = true;
            continue;
        }
        co_return MonthLoad{*parsed, MonthLoadOutcome::found};
    }
    empty.outcome = refused    ? MonthLoadOutcome::invalidDays
                    : answered ? MonthLoadOutcome::noDays
                               : MonthLoadOutcome::noNetwork;
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
