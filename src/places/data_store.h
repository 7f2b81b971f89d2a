#pragma once

#include "places/storage.h"
#include "platform/resource_locator.h"

#include "model/city_entry.h"
#include "model/instant.h"
#include "model/prayer_schedule.h"

#include <QList>
#include <QString>

#include <optional>

namespace lumora {

/// The last location fix, kept in the settings under "cachedLocation" for up to 24 hours.
struct CachedLocation {
    double latitude = 0;
    double longitude = 0;
    Instant savedAt;

    bool operator==(const CachedLocation&) const = default;
    QJsonObject toJson() const;
    static Result<CachedLocation> fromJson(const QJsonValue& json);
};

/// The application's data folder and what is kept in it. The app's one instance belongs to AppServices;
/// tests build their own over a temporary folder.
class DataStore {
public:
    /// `resources` may ship months that stand in for a corrupt month file.
    DataStore(QString folder, Settings settings, const Clock& clock, ResourceLocator resources = {});

    /// The data folder (created at construction; a failure is ignored).
    const QString& folder() const { return m_folder; }
    QString filePath(const QString& name) const { return m_folder + u'/' + name; }
    Settings& settings() { return m_settings; }
    const Clock& clock() const { return m_clock; }

    // The city catalogue file "city-catalog.json".
    /// The decoded catalogue file; none when missing, unreadable or undecodable.
    std::optional<QList<CityEntry>> loadCatalog() const;
    void saveCatalog(const QList<CityEntry>& entries);

    // The last location fix.
    std::optional<CachedLocation> cachedLocation() const;
    void saveLocation(const CachedLocation& location);

    // Month files "month-<code>-<yyyy-MM>.json".
    /// A month file's month, and whether it is still fresh (saved at most kMonthFreshnessSeconds ago).
    struct SavedMonth {
        PrayerMonthCache cache;
        bool fresh = true;
    };
    /// None for a code that could name a file outside the data folder.
    std::optional<QString> monthPath(const QString& cityCode, const QString& month) const;
    /// The month file's month, fresh or stale: a stale file stays until a new month replaces it, since the
    /// service's times, even old, beat computed ones. A file that is corrupt or not a sound month
    /// (monthProblem) is deleted, and a shipped month takes its place when there is one.
    std::optional<SavedMonth> savedMonth(const QString& cityCode, const QString& month);
    /// savedMonth when it is fresh.
    std::optional<PrayerMonthCache> cachedMonth(const QString& cityCode, const QString& month);
    /// Replaces the month file; false when `cache` is not a sound month or the file could not be written,
    /// and then the old file stays.
    bool saveMonth(const PrayerMonthCache& cache);

private:
    std::optional<Instant> expirationDate(const QString& path) const;

    QString m_folder;
    Settings m_settings;
    const Clock& m_clock;
    ResourceLocator m_resources;
};

} // namespace lumora
