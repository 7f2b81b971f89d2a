#pragma once

#include "base/settings_file.h"
#include "model/prayer_corrections.h"

#include <QList>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

namespace lumora {

/// The user's preferences as the programs use them: the environment over the settings file over the
/// defaults. An environment variable that pins a value wins, and says so (`origin`), so a user who sets the
/// key and sees nothing change learns why.
class Preferences final : public QObject {
    Q_OBJECT
public:
    enum class Origin { setting, environment, defaultValue };

    struct Entry {
        QString key;
        /// The value in effect, canonical.
        QString value;
        Origin origin = Origin::defaultValue;
        QString defaultValue;
        QString description;
        /// The variable that pins the key, when one does ("LUMORA_LOCATION").
        QString environmentName;
        /// Why the stored text or the variable's value was not used; empty when both read.
        QString problem;
    };

    Preferences(const QProcessEnvironment& environment, const QString& settingsPath, QObject* parent = nullptr);

    /// `key` must be in the schema.
    Entry entry(const QString& key) const;
    /// Every key, in the schema's order.
    QList<Entry> entries() const;
    /// The value in effect under `key`.
    QString value(const QString& key) const { return entry(key).value; }
    int integer(const QString& key) const { return value(key).toInt(); }
    bool isOn(const QString& key) const { return value(key) == u"on"; }

    /// The "schedule.correction.<prayer>" values.
    PrayerCorrections corrections() const;

    /// Where writes go; its changes are what `changed` announces.
    SettingsFile& file() { return m_file; }

    /// The variable that pins `key`, or none.
    static std::optional<QString> environmentNameOf(const QString& key);
    static QString originName(Origin origin);

Q_SIGNALS:
    /// The value in effect under `key` changed (a change the environment overrides is not announced).
    void changed(const QString& key);

private:
    QProcessEnvironment m_environment;
    SettingsFile m_file;
};

} // namespace lumora
