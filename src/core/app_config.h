#pragma once

#include "model/hijri_date.h"

#include "model/city_entry.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumora {

class Settings;

/// Everything the app is told from outside, resolved once at start: the environment first, then the settings
/// file, then the build's defaults. Libraries are handed these values and never read the environment.
struct AppConfig {
    /// The data folder (month files, catalogue, widget snapshot, the lock), moved from its old name first.
    QString dataFolder;
    /// The settings file.
    QString settingsPath;
    /// The environment the values were resolved from; the preferences it pins are read through it.
    QProcessEnvironment environment;
    /// The schedule service's base URL (its path ends in "/adzan/"): LUMORA_SCHEDULE_URL when set, even to
    /// empty, else the build's default. Empty: no service, nothing is requested.
    QString scheduleBaseUrl;
    /// Computed times when no schedule can be had: LUMORA_HISAB when not empty, else the "hisab" setting;
    /// only "off" (any case, blanks around it) turns them off.
    bool hisabEnabled = true;
    /// False when LUMORA_NOTIFICATIONS is "off".
    bool notificationsEnabled = true;
    /// A pinned location: LUMORA_LOCATION when it reads, else the "fixedLocation" setting when it reads.
    /// Either is a "lat,lon" pair in decimal degrees or a place's name or code (the gazetteer's, then the
    /// built-in catalogue's with its aliases).
    std::optional<GeoPoint> fixedLocation;
    /// What to tell the user about a location value that did not read (one line, Indonesian); empty when
    /// none.
    QString locationProblem;
    /// Where shipped files are looked for after the compiled-in resources: LUMORA_RESOURCE_DIR when set, the
    /// data folder beside the executable (../share/lumora), the installed data folder, the source tree's
    /// resources.
    QStringList resourceFolders;

    /// The Hijri line's calendar and offset (settings "hijriCalendar" and "hijriOffset"); rejected values are
    /// in `hijri.errors` and left at their defaults.
    HijriSettings hijri;
    /// Follow the system's time zone when it changes while the app runs; false when TZ pins the zone.
    bool followSystemTimeZone = true;
    /// The point a fixed location's text names: a "lat,lon" pair, else a place's code or name, an alias of
    /// the built-in city table, or a province (its capital); none when it names nothing known.
    static std::optional<GeoPoint> locationFromText(const QString& text);
    /// Resolves from `environment` and the settings file at `settingsPath`.
    static AppConfig resolve(const QProcessEnvironment& environment, const QString& settingsPath);
    /// Resolves from the process's environment and the default settings file.
    static AppConfig resolve();
};

} // namespace lumora
