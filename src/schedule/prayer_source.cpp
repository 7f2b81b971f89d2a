#include "prayer_source.h"

#include "model/city_code.h"
#include "model/date_helpers.h"
#include "model/month_check.h"
#include "platform/http_client.h"
#include "schedule/schedule_log.h"

#include <QDateTime>
#include <QUrl>

#include <algorithm>

namespace lumora {

PrayerSource::PrayerSource(QNetworkAccessManager& network, QString userAgent, QString baseUrl,
                           std::chrono::milliseconds requestTimeout,
                           std::chrono::milliseconds requestDeadline, std::chrono::milliseconds maxRetryWait)
    : userAgent(std::move(userAgent)), baseUrl(std::move(baseUrl)), m_network(&network),
      m_requestTimeout(requestTimeout), m_requestDeadline(requestDeadline), m_maxRetryWait(maxRetryWait) {}

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
    case MonthLoadOutcome::serviceAsksToWait:
        return QStringLiteral("service asked to wait");
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

    if (m_notBefore) {
        const auto now = std::chrono::steady_clock::now();
        if (now < *m_notBefore) {
            const auto left = std::chrono::ceil<std::chrono::seconds>(*m_notBefore - now);
            qCDebug(scheduleLog).noquote()
                << "service asked to wait; no request for another" << left.count() << "s";
            empty.outcome = MonthLoadOutcome::serviceAsksToWait;
            co_return empty;
        }
        m_notBefore.reset();
    }

    bool answered = false;
    bool refused = false;
    for (const QString& address : monthAddresses(baseUrl, cityCode, monthKey)) {
        const Result<Answer> answer = co_await fetch(address);
        if (!answer) {
            qCDebug(scheduleLog).noquote() << "GET" << address << "failed:" << answer.error();
            continue;
        }
        answered = true;
        const Result<PrayerMonthCache> parsed = parse(answer->body, cityCode, monthKey);
        if (!parsed) {
            qCDebug(scheduleLog).noquote() << "GET" << address << "unreadable:" << parsed.error();
        } else {
            qCDebug(scheduleLog).noquote() << "GET" << address << "->" << parsed->days.size() << "days";
        }
        if (parsed && !parsed->days.isEmpty()) {
            // A month that is saved is shown for a week: one bad time would be a wrong reminder every day.
            const std::optional<QString> problem = monthProblem(*parsed);
            if (!problem) co_return MonthLoad{*parsed, MonthLoadOutcome::found};
            qCDebug(scheduleLog).noquote() << "GET" << address << "refused:" << *problem;
            refused = true;
        }
        // The other addresses reach the same service: asking them too is what it just asked us not to do.
        if (answer->status == 429 || answer->status == 503) {
            noteBusy(answer->status, answer->retryAfter);
            empty.outcome = MonthLoadOutcome::serviceAsksToWait;
            co_return empty;
        }
    }
    empty.outcome = refused    ? MonthLoadOutcome::invalidDays
                    : answered ? MonthLoadOutcome::noDays
                               : MonthLoadOutcome::noNetwork;
    co_return empty;
}

void PrayerSource::noteBusy(int status, const QByteArray& retryAfter) const {
    const auto asked = retryAfterDelay(retryAfter, QDateTime::currentDateTimeUtc());
    if (!asked || asked->count() == 0) {
        qCDebug(scheduleLog) << "service answered" << status << "without a wait";
        return;
    }
    const auto wait = std::min<std::chrono::milliseconds>(
        m_maxRetryWait, std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::min<std::chrono::seconds>(*asked, std::chrono::hours(24 * 365))));
    m_notBefore = std::chrono::steady_clock::now() + wait;
    qCDebug(scheduleLog) << "service answered" << status << "; no request for" << wait.count() << "ms";
}

QCoro::Task<Result<PrayerSource::Answer>> PrayerSource::fetch(QString address) const {
    using R = Result<Answer>;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid()) co_return R::fail(QStringLiteral("invalid address: ") + address);
    HttpGetOptions options;
    options.headers = {{"User-Agent", userAgent.toUtf8()}, {"Accept", kAccept}};
    options.timeout = m_requestTimeout;
    options.maxBytes = kMaxBodyBytes;
    options.deadline = m_requestDeadline;
    const Result<HttpResponse> response = co_await httpGet(*m_network, url, options);
    if (!response) co_return R::fail(response.error());
    // An error page that holds days is as good as any. Only UTF-8 is honoured, whatever the answer declares;
    // invalid sequences become U+FFFD.
    Answer answer{QString::fromUtf8(response->body), response->status, response->retryAfter};
    co_return R::ok(std::move(answer));
}

} // namespace lumora
