#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>

class QSettings;

namespace lumora {

/// The settings file (INI) every program of ours reads and writes. Each read sees what another process
/// wrote last, and each change is written at once: nothing is flushed at exit. A settings file that is not a
/// regular file (a pipe, a device, a folder) or is larger than `files::maxBytes(files::Kind::settings)` is
/// never opened: it reads as empty, changes are not written (so it is not replaced either), and the refusal
/// is logged once.
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
    /// The settings over the file when the file may be opened, synced with the disk; else none.
    QSettings* current() const;

    QString m_path;
    mutable std::unique_ptr<QSettings> m_settings;
};

} // namespace lumora
