#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

namespace lumora {

/// The settings file (INI) every program of ours reads and writes. Each read sees what another process
/// wrote last, and each change is written at once: nothing is flushed at exit.
class Settings {
public:
    /// The file at `path` (normally `UserFolders::settingsLocation()`); it is made on the first change.
    explicit Settings(const QString& path);
    ~Settings();
    Settings(Settings&&) noexcept;
    Settings& operator=(Settings&&) noexcept;

    std::optional<QVariant> value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);
    std::optional<QByteArray> data(const QString& key) const;
    void setData(const QString& key, const QByteArray& value);
    std::optional<QString> text(const QString& key) const;
    void setText(const QString& key, const QString& value);
    void remove(const QString& key);
    QString path() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace lumora
