#include "app_config.h"

#include "base/one_line.h"
#include "base/settings_file.h"
#include "base/user_folders.h"
#include "model/city_name.h"
#include "model/fixed_location.h"
#include "places/gazetteer.h"
#include "places/location_service.h"
#include "places/storage.h"

#include <QCoreApplication>

namespace lumora {

namespace {

bool isOff(const QString& value) {
    return value.trimmed().toLower() == u"off";
}

} // namespace

std::optional<GeoPoint> AppConfig::locationFromText(const QString& text) {
    if (const auto point = parseFixedLocation(text)) return point;
    const Gazetteer& gazetteer = Gazetteer::builtIn();
    auto place = gazetteer.byCode(text.trimmed());
    if (!place) place = gazetteer.byName(text);
    if (place) return place->location;
    // The catalogue's own names and aliases ("jogja", "jkt"); only its built-in table, so nothing is fetched.
    if (const auto city = exactCityMatch(builtInCities(), text); city && city->lat && city->lon)
        return GeoPoint{*city->lat, *city->lon};
    // A province stands for its capital ("Bali": Kota Denpasar), as `lumora places` ranks it.
    if (const auto capital = gazetteer.capitalOf(text)) return capital->location;
    return std::nullopt;
}

AppConfig AppConfig::resolve(const QProcessEnvironment& environment, const QString& settingsPath) {
    const Settings settings(settingsPath);
    AppConfig config;
    config.dataFolder = UserFolders::resolve().dataFolder;
    config.settingsPath = settingsPath;
    config.environment = environment;

    config.scheduleBaseUrl = environment.contains(QStringLiteral("LUMORA_SCHEDULE_URL"))
                                 ? environment.value(QStringLiteral("LUMORA_SCHEDULE_URL")).trimmed()
                                 : QStringLiteral(LUMORA_DEFAULT_SCHEDULE_URL);

    const QString hisab = environment.value(QStringLiteral("LUMORA_HISAB")).trimmed();
    config.hisabEnabled =
        !hisab.isEmpty() ? !isOff(hisab) : !isOff(settings.text(QStringLiteral("hisab")).value_or(QString()));

    config.notificationsEnabled = environment.value(QStringLiteral("LUMORA_NOTIFICATIONS")) != u"off";

    // A value that names nothing is told once rather than dropped in silence; a blank one is no value.
    QStringList unknown;
    const auto pin = [&](const std::optional<QString>& text) {
        // "auto" is the device's own location: nothing to pin.
        if (config.fixedLocation || !text || text->trimmed().isEmpty() ||
            text->trimmed().compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0)
            return;
        config.fixedLocation = locationFromText(*text);
        if (!config.fixedLocation) unknown << text->trimmed();
    };
    if (environment.contains(QStringLiteral("LUMORA_LOCATION")))
        pin(environment.value(QStringLiteral("LUMORA_LOCATION")));
    // "location" holds the choice; the older "fixedLocation" is read only while "location" has none.
    pin(SettingsFile::storedText(settings, *SettingsSchema::find(u"location")));
    if (!unknown.isEmpty())
        config.locationProblem =
            QStringLiteral("lokasi \"%1\" tidak dikenal; %2")
                .arg(echoed(unknown.first()), config.fixedLocation
                                                  ? QStringLiteral("memakai lokasi dari pengaturan")
                                                  : QStringLiteral("memakai lokasi perangkat"));

    config.hijri = parseHijriSettings(settings.text(QStringLiteral("hijriCalendar")),
                                      settings.text(QStringLiteral("hijriOffset")), &echoed);
    config.followSystemTimeZone = !environment.contains(QStringLiteral("TZ"));

    if (const QString dir = environment.value(QStringLiteral("LUMORA_RESOURCE_DIR")); !dir.isEmpty())
        config.resourceFolders << dir;
    // A relocated install finds its own copy before the one the build was configured for.
    if (QCoreApplication::instance())
        config.resourceFolders << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/lumora");
    config.resourceFolders << QStringLiteral(LUMORA_INSTALLED_DATA_DIR)
                           << QStringLiteral(LUMORA_SOURCE_RESOURCE_DIR);
    return config;
}

AppConfig AppConfig::resolve() {
    return resolve(QProcessEnvironment::systemEnvironment(), UserFolders::settingsLocation());
}

} // namespace lumora
