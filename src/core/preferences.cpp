#include "preferences.h"

namespace lumora {

namespace {

// The variables that pin a preference for one run; the only ones the environment may set.
struct Pin {
    const char* key;
    const char* variable;
};
constexpr Pin kPins[] = {
    {"location", "LUMORA_LOCATION"},
    {"hisab", "LUMORA_HISAB"},
};

} // namespace

Preferences::Preferences(const QProcessEnvironment& environment, const QString& settingsPath, QObject* parent)
    : QObject(parent), m_environment(environment), m_file(settingsPath) {
    connect(&m_file, &SettingsFile::changed, this, [this](const QString& key) {
        if (entry(key).origin != Origin::environment) Q_EMIT changed(key);
    });
}

std::optional<QString> Preferences::environmentNameOf(const QString& key) {
    for (const Pin& pin : kPins)
        if (key == QLatin1String(pin.key)) return QString::fromLatin1(pin.variable);
    return std::nullopt;
}

QString Preferences::originName(Origin origin) {
    switch (origin) {
    case Origin::setting:
        return QStringLiteral("setting");
    case Origin::environment:
        return QStringLiteral("environment");
    case Origin::defaultValue:
        return QStringLiteral("default");
    }
    return {};
}

Preferences::Entry Preferences::entry(const QString& key) const {
    const SettingsSchema::Key* k = SettingsSchema::find(key);
    if (!k) return {};
    Entry e;
    e.key = k->name;
    e.defaultValue = k->defaultValue;
    e.description = k->description;
    const SettingsFile::Value stored = m_file.value(key);
    e.value = stored.value;
    e.origin = stored.origin == SettingsFile::Origin::setting ? Origin::setting : Origin::defaultValue;
    e.problem = stored.problem;
    if (const auto variable = environmentNameOf(key)) {
        e.environmentName = *variable;
        // An empty variable pins nothing: it is how a script says "as the settings say".
        const QString text = m_environment.value(*variable);
        if (!text.trimmed().isEmpty()) {
            const SettingsSchema::Checked checked = SettingsSchema::check(*k, text);
            if (checked.value) {
                e.value = *checked.value;
                e.origin = Origin::environment;
            } else {
                e.problem = QStringLiteral("%1: %2").arg(*variable, checked.problem);
            }
        }
    }
    return e;
}

PrayerCorrections Preferences::corrections() const {
    PrayerCorrections c;
    for (const QString& prayer : SettingsSchema::correctedPrayers())
        if (const auto name = prayerNameFromRaw(prayer))
            c.of(*name) = integer(QStringLiteral("schedule.correction.") + prayer);
    return c;
}

QList<Preferences::Entry> Preferences::entries() const {
    QList<Entry> all;
    for (const SettingsSchema::Key& key : SettingsSchema::keys())
        all << entry(key.name);
    return all;
}

} // namespace lumora
