#pragma once

#include "cli_options.h"

#include "core/app_services.h"
#include "model/app_state.h"

#include <qcoro/qcorotask.h>

#include <chrono>
#include <functional>
#include <memory>

namespace lumora::cli {

/// Everything a subcommand needs: the app's services over the real data folder, settings and network, and
/// the clock `--at` replaces.
class Session {
public:
    explicit Session(Instant clockStart, bool manual);

    const Clock& clock() const { return m_clock; }
    /// With `--at`, time runs on from the given moment; otherwise this is the system clock.
    Instant advance(double elapsedSeconds);
    CityCatalog& catalog() { return m_services.catalog(); }
    PrayerRepository& repository() { return m_services.repository(); }
    /// The location the app would use now, without asking the positioning source.
    GeoPoint location() const { return m_services.location(); }
    const AppConfig& config() const { return m_services.config(); }
    Preferences& preferences() { return m_services.preferences(); }

private:
    Instant m_start;
    ManualClock m_manual;
    const Clock& m_clock;
    AppServices m_services;
};

/// The session `--at` asks for; none (and `*error` set) when the time does not read. A fixed location that
/// did not read is told on stderr here, once.
std::unique_ptr<Session> makeSession(const Options& o, QString* error);

/// The session of a subcommand that takes options only; none (and `*status` set) after a usage error.
std::unique_ptr<Session> sessionWithoutArguments(const Options& o, int* status);

/// The state `today` and `reminders` show: a full load at the app's current location.
struct LoadedState {
    AppState state;
    Instant now;
};

LoadedState loadTodayState(Session& session);

/// 0 with today or tomorrow listed, else 1.
int statusFor(const AppState& state);

/// Why a step of `followDay` runs.
enum class FollowEvent { started, reloaded, tick };

/// Shows `loaded` at `now` and returns how long to wait before the next step.
using FollowStep =
    std::function<std::chrono::milliseconds(const LoadedState& loaded, Instant now, FollowEvent event)>;

/// Calls `step` until the process is interrupted, loading the state first and again when the local day
/// changes; while neither today nor tomorrow is listed it also tries again every five minutes.
QCoro::Task<> followDay(Session& session, FollowStep step);

/// The wait until the next whole second, or the next whole minute, of `now`.
std::chrono::milliseconds untilNextSecond(Instant now);
std::chrono::milliseconds untilNextMinute(Instant now);

/// The place's IANA zone (the gazetteer's, by code, by the catalogue city's coordinates, or by name); empty
/// when unknown.
QString placeZone(Session& session, const QString& cityCode, const QString& cityName);
/// Tells on stderr, in one line, when the computer's zone keeps other hours than `zone` at `now`, and how to
/// run in the place's zone; standard output is left alone.
void hintZone(const QString& placeName, const QString& zone, Instant now);
/// The hint for a shown place: for a point outside Indonesia (its code a pair of coordinates that
/// Gazetteer::inIndonesia refuses), which zone the times are shown in, always, since no Indonesian zone is
/// the point's; else `hintZone` with the place's zone.
void hintPlaceZone(Session& session, const QString& cityCode, const QString& placeName, Instant now);

/// `hintPlaceZone` for the place of a state `today` or `reminders` shows.
void hintZoneFor(Session& session, const AppState& state, Instant now);

} // namespace lumora::cli
