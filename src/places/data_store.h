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
    /// None for a code that could name a file outside the data folder.
    std::optional<QString> monthPath(const QString& cityCode, const QString& month) const;
    std::optional<PrayerMonthCache> cachedMonth(const QString& cityCode, const QString& month);
    void saveMonth(const PrayerMonthCache& cache);

private:
    std::optional<Instant> expirationDate(const QString& path) const;

    QString m_folder;
    Settings m_settings;
    const Clock& m_clock;
    ResourceLocator m_resources;
};

} // namespace lumora
