#include "storage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace lumora {

namespace storage {

void ensureFolder(const QString& path) {
    QDir().mkpath(path);
}

std::optional<QByteArray> readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) return std::nullopt;
    return bytes;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

void removeFile(const QString& path) {
    QFile::remove(path);
}

std::optional<Instant> modificationTime(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    const QDateTime t = info.lastModified();
    if (!t.isValid()) return std::nullopt;
    return Instant::fromUnixMillis(static_cast<double>(t.toMSecsSinceEpoch()));
}

} // namespace storage

namespace {
QString defaultSettingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/lumora/lumora.conf");
}
} // namespace

Settings::Settings() : Settings(defaultSettingsPath()) {}
Settings::Settings(const QString& path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}
Settings::~Settings() = default;
Settings::Settings(Settings&&) noexcept = default;
Settings& Settings::operator=(Settings&&) noexcept = default;

std::optional<QByteArray> Settings::data(const QString& key) const {
    m_settings->sync();
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) return std::nullopt;
    return v.toByteArray();
}

void Settings::setData(const QString& key, const QByteArray& value) {
    m_settings->setValue(key, value);
    m_settings->sync(); // written at the moment it changes: nothing is flushed at exit
}

std::optional<QString> Settings::text(const QString& key) const {
    m_settings->sync();
    const QVariant v = m_settings->value(key);
    if (!v.isValid()) return std::nullopt;
    return v.toString();
}

void Settings::setText(const QString& key, const QString& value) {
    m_settings->setValue(key, value);
    m_settings->sync();
}

void Settings::remove(const QString& key) {
    m_settings->remove(key);
    m_settings->sync();
}

QString Settings::path() const {
    return m_settings->fileName();
}

} // namespace lumora
