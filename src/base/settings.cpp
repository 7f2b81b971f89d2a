#include "settings.h"

#include "base/base_log.h"
#include "base/files.h"

#include <QFileInfo>
#include <QHash>
#include <QSettings>

namespace lumora {

namespace {

/// Tells a refusal of `path` once per process and reason, however many Settings objects meet it.
void tellRefused(const QString& path, files::ReadResult::Status status) {
    static QHash<QString, files::ReadResult::Status> told;
    const auto it = told.constFind(path);
    if (it != told.cend() && *it == status) return;
    told.insert(path, status);
    qCWarning(baseLog).noquote() << "settings file not read, defaults apply:" << path << "-"
                                 << files::describe(status);
}

} // namespace

Settings::Settings(const QString& path) : m_path(QFileInfo(path).absoluteFilePath()) {}
Settings::~Settings() = default;
Settings::Settings(Settings&&) noexcept = default;
Settings& Settings::operator=(Settings&&) noexcept = default;

QSettings* Settings::current() const {
    // QSettings opens the file itself, blocking on a pipe and reading a file of any size: it only ever
    // meets a file that has passed this check.
    using Status = files::ReadResult::Status;
    const Status status = files::probe(m_path, files::maxBytes(files::Kind::settings));
    if (status != Status::ok && status != Status::missing) {
        tellRefused(m_path, status);
        // Without pending changes dropping it touches no file; a later good file is read afresh.
        m_settings.reset();
        return nullptr;
    }
    if (!m_settings)
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat); // reads the file
    else
        m_settings->sync();
    return m_settings.get();
}

std::optional<QVariant> Settings::value(const QString& key) const {
    QSettings* settings = current();
    if (!settings) return std::nullopt;
    QVariant v = settings->value(key);
    if (!v.isValid()) return std::nullopt;
    return v;
}

void Settings::setValue(const QString& key, const QVariant& value) {
    QSettings* settings = current();
    if (!settings) return;
    settings->setValue(key, value);
    settings->sync();
}

std::optional<QByteArray> Settings::data(const QString& key) const {
    const auto v = value(key);
    if (!v) return std::nullopt;
    return v->toByteArray();
}

void Settings::setData(const QString& key, const QByteArray& value) {
    setValue(key, value);
}

std::optional<QString> Settings::text(const QString& key) const {
    const auto v = value(key);
    if (!v) return std::nullopt;
    return v->toString();
}

void Settings::setText(const QString& key, const QString& value) {
    setValue(key, value);
}

void Settings::remove(const QString& key) {
    QSettings* settings = current();
    if (!settings) return;
    settings->remove(key);
    settings->sync();
}

QString Settings::path() const {
    return m_path;
}

} // namespace lumora
