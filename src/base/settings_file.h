#pragma once

#include "base/settings.h"
#include "base/settings_schema.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

namespace lumora {

/// The user's preferences in the settings file, read through the schema: a bad value is reported for its
/// key and its default used, and the other keys still read. Writes are checked first and land whole (the
/// file is replaced under its lock, so two programs writing at once both land). A change on disk, by any
/// program, is announced per key.
class SettingsFile final : public QObject {
    Q_OBJECT
public:
    enum class Origin { setting, defaultValue };

    struct Value {
        /// The canonical text (the default when the file has none, or a bad one).
        QString value;
        Origin origin = Origin::defaultValue;
        /// Why the stored text was not used (Indonesian, one line); empty when it was, or there was none.
        QString problem;
    };

    explicit SettingsFile(const QString& path, QObject* parent = nullptr);

    QString path() const;
    /// `key` must be in the schema.
    Value value(const QString& key) const;
    /// Every listed key's value, by name.
    QHash<QString, Value> values() const;
    /// One line for each stored value that does not read.
    QStringList problems() const;

    /// Checks `text` under `key` and stores its canonical form. False, with `problem` set (Indonesian, one
    /// line), for an unknown key or a value that does not read; the file is then left as it was.
    bool set(const QString& key, const QString& text, QString* problem = nullptr);
    /// Removes the stored value (and the older name it may be stored under), so the default applies.
    bool reset(const QString& key, QString* problem = nullptr);
    void resetAll();
    /// The line that tells a key is unknown, naming the nearest known one.
    static QString unknownKeyProblem(const QString& key);
    /// The text stored for `key` in `settings`: under its name, else under its older name.
    static std::optional<QString> storedText(const Settings& settings, const SettingsSchema::Key& key);

Q_SIGNALS:
    /// A key's value changed on disk, whoever wrote it; emitted once per key a short moment after the write.
    void changed(const QString& key);

private:
    void watch();
    void reread();
    Settings m_settings;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QHash<QString, QString> m_seen;
};

} // namespace lumora
