#include "cli_session.h"

#include "cli_output.h"

#include "model/date_helpers.h"
#include "model/fixed_location.h"
#include "model/icu_text.h"
#include "model/local_iso.h"
#include "places/gazetteer.h"

#include <QElapsedTimer>

#include <qcoro/qcorotimer.h>

#include <unicode/timezone.h>

#include <cmath>
#include <memory>

namespace lumora::cli {

namespace {

/// How often a follow loop without a schedule looks again (the app's watchdog refreshes as often).
constexpr double kRetrySeconds = 300;

/// Past each boundary by this much: some rules (the last minute before a prayer) flip only once it has
/// passed.
constexpr double kPastBoundarySeconds = 0.01;

std::chrono::milliseconds untilNext(Instant now, double period) {
    const double rest = (std::floor(now.seconds / period) + 1) * period - now.seconds + kPastBoundarySeconds;
    return std::chrono::milliseconds(std::max<long long>(1, std::llround(rest * 1000)));
}

} // namespace

Session::Session(Instant clockStart, bool manual)
    : m_start(clockStart), m_manual(clockStart),
      m_clock(manual ? static_cast<const Clock&>(m_manual) : SystemClock::instance()),
      m_services(AppConfig::resolve(), m_clock) {}

Instant Session::advance(double elapsedSeconds) {
    if (&m_clock == &m_manual) m_manual.set(m_start + elapsedSeconds);
    return m_clock.now();
}

std::unique_ptr<Session> makeSession(const Options& o, QString* error) {
    std::optional<Instant> at;
    if (o.at) {
        at = parseLocalIso(*o.at);
        if (!at) {
            *error = QStringLiteral("waktu tidak valid: %1 (contoh: 2026-03-07T05:50:00)").arg(echoed(*o.at));
            return nullptr;
        }
    }
    auto session = std::make_unique<Session>(at.value_or(Instant{}), at.has_value());
    if (const QString& problem = session->config().locationProblem; !problem.isEmpty()) warn(problem);
    return session;
}

std::unique_ptr<Session> sessionWithoutArguments(const Options& o, int* status) {
    QString error = o.error;
    if (error.isEmpty() && !o.positionals.isEmpty())
        error = QStringLiteral("argumen tidak dikenal: %1").arg(echoed(o.positionals.first()));
    std::unique_ptr<Session> session;
    if (error.isEmpty()) session = makeSession(o, &error);
    if (!session) *status = fail(error);
    return session;
}

LoadedState loadTodayState(Session& session) {
    AppState state = QCoro::waitFor(session.repository().loadState(session.location()));
    return LoadedState{std::move(state), session.clock().now()};
}

int statusFor(const AppState& state) {
    return state.todayDay || state.tomorrowDay ? 0 : 1;
}

QCoro::Task<> followDay(Session& session, FollowStep step) {
    QElapsedTimer elapsed;
    elapsed.start();
    LoadedState loaded = loadTodayState(session);
    QString dayKey = DateHelpers::dateFormatter().format(loaded.now);
    FollowEvent event = FollowEvent::started;
    for (;;) {
        const Instant now = session.advance(static_cast<double>(elapsed.elapsed()) / 1000.0);
        const QString key = DateHelpers::dateFormatter().format(now);
        const bool newDay = key != dayKey;
        const bool listed = statusFor(loaded.state) == 0;
        if (newDay || (!listed && now - loaded.now >= kRetrySeconds)) {
            dayKey = key;
            LoadedState fresh = loadTodayState(session);
            // A retry that found nothing new is no news to show.
            if (newDay || !(fresh.state == loaded.state)) event = FollowEvent::reloaded;
            loaded = std::move(fresh);
        }
        const std::chrono::milliseconds wait = step(loaded, now, event);
        // Nobody reads a view whose output is lost; the command then reports the failed write.
        if (!outputWritten()) co_return;
        event = FollowEvent::tick;
        co_await QCoro::sleepFor(wait);
    }
}

std::chrono::milliseconds untilNextSecond(Instant now) {
    return untilNext(now, 1);
}

std::chrono::milliseconds untilNextMinute(Instant now) {
    return untilNext(now, 60);
}

QString placeZone(Session& session, const QString& cityCode, const QString& cityName) {
    CityEntry city{cityCode, cityName, std::nullopt, std::nullopt, {}};
    for (const CityEntry& c : QCoro::waitFor(session.catalog().entries()))
        if (c.code == cityCode) {
            city.lat = c.lat;
            city.lon = c.lon;
            break;
        }
    return Gazetteer::builtIn().zoneOf(city);
}

namespace {

/// The zone's offset from UTC at `now`, in milliseconds.
std::optional<int> offsetAt(const icu::TimeZone& tz, Instant now) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t raw = 0, dst = 0;
    tz.getOffset(now.unixMillis(), false, raw, dst, status);
    return U_SUCCESS(status) ? std::optional<int>(raw + dst) : std::nullopt;
}

} // namespace

void hintZone(const QString& placeName, const QString& zone, Instant now) {
    if (zone.isEmpty()) return;
    const auto offset = [now](const icu::TimeZone& tz) { return offsetAt(tz, now); };
    const std::unique_ptr<icu::TimeZone> place(icu::TimeZone::createTimeZone(toIcu(zone)));
    const auto placeOffset = offset(*place);
    // Zones that keep the same hours (Asia/Pontianak and Asia/Jakarta) show the same times.
    if (!placeOffset || *place == icu::TimeZone::getUnknown() || placeOffset == offset(DateHelpers::zone()))
        return;
    warn(QStringLiteral("zona waktu komputer ini %1, bukan zona %2 (%3); untuk waktu setempat jalankan "
                        "dengan TZ=%3")
             .arg(DateHelpers::zoneId(), echoed(placeName), zone));
}

void hintPlaceZone(Session& session, const QString& cityCode, const QString& placeName, Instant now) {
    const auto point = parseFixedLocation(cityCode);
    if (!point || Gazetteer::builtIn().inIndonesia(*point)) {
        hintZone(placeName, placeZone(session, cityCode, placeName), now);
        return;
    }
    // No zone of Indonesia is the point's, and the table knows no other: say which one the times are in.
    const int minutes = offsetAt(DateHelpers::zone(), now).value_or(0) / 60'000;
    warn(QStringLiteral(
             "%1 di luar Indonesia; waktu ditampilkan dalam zona waktu komputer ini, %2 (UTC%3%4:%5)")
             .arg(Gazetteer::coordinateText(*point), DateHelpers::zoneId(),
                  minutes < 0 ? QStringLiteral("-") : QStringLiteral("+"))
             .arg(std::abs(minutes) / 60, 2, 10, QLatin1Char('0'))
             .arg(std::abs(minutes) % 60, 2, 10, QLatin1Char('0')));
}

void hintZoneFor(Session& session, const AppState& state, Instant now) {
    hintPlaceZone(session, state.cityCode, state.cityName, now);
}

} // namespace lumora::cli
