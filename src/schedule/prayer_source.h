#pragma once

#include "model/instant.h"
#include "model/prayer_schedule.h"
#include "model/result.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace lumora {

/// One day's record as found in a page: key to text value.
using PrayerRow = QMap<QString, QString>;

/// The day a row describes, if it has a readable date of `month` ("yyyy-MM") and all six times.
std::optional<PrayerDay> toPrayerDay(const PrayerRow& row, const QString& cityCode, const QString& month);
/// The time stored under `key` (compared with the row's keys lower-cased), cut to hours and minutes.
std::optional<QString> parsePrayerTime(const PrayerRow& row, const QString& key);

/// How a load from the service went, for the log: the month it returns is the same either way.
enum class MonthLoadOutcome {
    found,               ///< an answer held days of the month
    noServiceConfigured, ///< no base URL: nothing was requested
    unsafeCityCode,      ///< the code cannot go into an address: nothing was requested
    noNetwork,         ///< every request failed without an answer (no network, refused, time-out, too large)
    noDays,            ///< answers came, but none held a day of the month
    invalidDays,       ///< an answer held days, but not a sound month (see monthProblem): it was refused
    serviceAsksToWait, ///< the service answered "too many requests" or "unavailable", or its wait is not over
};

/// A few words for the log.
QString describe(MonthLoadOutcome outcome);

/// A month from the service and how its load went.
struct MonthLoad {
    PrayerMonthCache month;
    MonthLoadOutcome outcome = MonthLoadOutcome::noDays;
};

/// Obtains a city's month from the schedule service and reads the service's answers (JSON, XML or an HTML
/// table).
class PrayerSource {
public:
    /// The longest silence a request may meet, and the longest it may take in all.
    static constexpr std::chrono::milliseconds kRequestTimeout{20'000};
    static constexpr std::chrono::milliseconds kRequestDeadline{60'000};
    static constexpr qint64 kMaxBodyBytes = 4 * 1024 * 1024;
    static constexpr const char* kAccept = "text/html,application/json,application/xml;q=0.9,*/*;q=0.8";
    /// The longest "Retry-After" honoured: a service (or whoever answers in its name) cannot keep the app on
    /// computed times for longer than this at a time.
    static constexpr std::chrono::seconds kMaxRetryWait{600};

    /// `network` and the source itself must outlive every load they start; `baseUrl` is the service's base
    /// URL (empty: none configured); the time-out and the deadline are per request.
    PrayerSource(QNetworkAccessManager& network, QString userAgent, QString baseUrl,
                 std::chrono::milliseconds requestTimeout = kRequestTimeout,
                 std::chrono::milliseconds requestDeadline = kRequestDeadline,
                 std::chrono::milliseconds maxRetryWait = kMaxRetryWait);

    /// Sent as "User-Agent".
    QString userAgent;
    /// The service's base URL, its path ending in "/adzan/"; empty when none is configured.
    QString baseUrl;

    /// The month holding `month` for `cityCode`: the first of the service's seven address forms whose answer
    /// yields a sound month with days (monthProblem), else an empty month. Never fails; with no base URL
    /// configured nothing is requested. An answer of 429 or 503 without a sound month ends the load at that
    /// address, and its "Retry-After" (up to the cap) holds back every later load of this source until it has
    /// passed.
    QCoro::Task<PrayerMonthCache> loadMonthDetailed(QString cityCode, Instant month) const;
    /// The same load, with how it went.
    QCoro::Task<MonthLoad> loadMonth(QString cityCode, Instant month) const;

    /// Reads one answer. Fails only when a JSON body is malformed; no usable rows is an empty month.
    static Result<PrayerMonthCache> parse(const QString& body, const QString& cityCode, const QString& month);

    static Result<PrayerMonthCache> parseJson(const QString& body, const QString& cityCode,
                                              const QString& month);
    static Result<PrayerMonthCache> parseXML(const QString& body, const QString& cityCode,
                                             const QString& month);
    static PrayerMonthCache parseHTML(const QString& body, const QString& cityCode, const QString& month);

    /// Every record of a JSON document that passes the row test, at any depth, a record's own members
    /// included.
    static QList<PrayerRow> extractJsonDays(const QJsonValue& value);
    /// Whether the keys, lower-cased, name a date and at least one prayer time.
    static bool looksLikePrayerRow(const QStringList& keys);
    static bool looksLikePrayerRow(const QJsonObject& object) { return looksLikePrayerRow(object.keys()); }
    static bool looksLikePrayerRow(const PrayerRow& row) { return looksLikePrayerRow(row.keys()); }
    /// The text a non-text JSON value is stored as in a row.
    static QString jsonText(const QJsonValue& value);

    /// The seven addresses for one city and month key, in the order they are tried.
    static QStringList monthAddresses(const QString& baseUrl, const QString& cityCode,
                                      const QString& monthKey);

private:
    struct Answer {
        QString body;
        int status = 0;
        QByteArray retryAfter;
    };
    QCoro::Task<Result<Answer>> fetch(QString address) const;
    /// Notes the wait an answer of `status` asks for.
    void noteBusy(int status, const QByteArray& retryAfter) const;

    QNetworkAccessManager* m_network;
    std::chrono::milliseconds m_requestTimeout;
    std::chrono::milliseconds m_requestDeadline;
    std::chrono::milliseconds m_maxRetryWait;
    // On the monotonic clock: a wall clock set back must not stretch the service's wait. Loads are const
    // to their callers; the wait is the service's state, not part of the source's configuration.
    mutable std::optional<std::chrono::steady_clock::time_point> m_notBefore;
};

} // namespace lumora
