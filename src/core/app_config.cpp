#include "app_config.h"

#include "model/data_folder.h"
#include "model/fixed_location.h"
#include "places/location_service.h"
#include "places/storage.h"

#include <QCoreApplication>

namespace lumora {

namespace {

bool isOff(const QString& value) {
    return value.trimmed().toLower() == u"off";
}

} // namespace

AppConfig AppConfig::resolve(const QProcessEnvironment& environment, const QString& settingsPath) {
    const Settings settings(settingsPath);
    AppConfig config;
    config.dataFolder = lumora::dataFolder();
    config.settingsPath = settingsPath;

    config.scheduleBaseUrl = environment.contains(QStringLiteral("LUMORA_SCHEDULE_URL"))
                                 ? environment.value(QStringLiteral("LUMORA_SCHEDULE_URL")).trimmed()
                                 : QStringLiteral(LUMORA_DEFAULT_SCHEDULE_URL);

    const QString hisab = environment.value(QStringLiteral("LUMORA_HISAB")).trimmed();
    config.hisabEnabled =
        !hisab.isEmpty() ? !isOff(hisab) : !isOff(settings.text(QStringLiteral("hisab")).value_or(QString()));

    config.notificationsEnabled = environment.value(QStringLiteral("LUMORA_NOTIFICATIONS")) != u"off";

    if (environment.contains(QStringLiteral("LUMORA_LOCATION")))
        config.fixedLocation = parseFixedLocation(environment.value(QStringLiteral("LUMORA_LOCATION")));
    if (!config.fixedLocation) {
        if (const auto setting = settings.text(QString::fromLatin1(LocationService::kFixedLocationKey)))
            config.fixedLocation = parseFixedLocation(*setting);
    }

    config.hijri = parseHijriSettings(settings.text(QStringLiteral("hijriCalendar")),
                                      settings.text(QStringLiteral("hijriOffset")));
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
    return resolve(QProcessEnvironment::systemEnvironment(), Settings().path());
}

} // namespace lumora
