#pragma once

#include "model/instant.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class QSettings;

namespace lumora {

/// File primitives every stored file goes through. No failure is reported: a read that fails is absence,
/// a write or delete that fails is dropped.
namespace storage {

/// Creates `path` with its parents; an existing folder is fine and a failure is ignored.
void ensureFolder(const QString& path);
std::optional<QByteArray> readFile(const QString& path);
/// Replaces the file whole: a reader sees the old or the new content, never a mixture.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);
void removeFile(const QString& path);
std::optional<Instant> modificationTime(const QString& path);

} // namespace storage

/// The persistent key-value settings: the file QSettings("lumora", "lumora") uses.
class Settings {
public:
    /// $XDG_CONFIG_HOME/lumora/lumora.conf, resolved when constructed.
    Settings();
    explicit Settings(const QString& path);
    ~Settings();
    Settings(Settings&&) noexcept;
    Settings& operator=(Settings&&) noexcept;

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
