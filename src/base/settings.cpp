#include "settings.h"

#include <QSettings>

namespace lumora {

Settings::Settings(const QString& path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}
Settings::~Settings() = default;
Settings::Settings(Settings&&) noexcept = default;
Settings& Settings::operator=(Settings&&) noexcept = default;

std::optional<QVariant> Settings::value(const QString& key) const {
    m_settings->sync();
    QVariant v = m_settings->value(key);
    if (!v.isValid()) return std::nullopt;
    return v;
}

void Settings::setValue(const QString& key, const QVariant& value) {
    m_settings->setValue(key, value);
    m_settings->sync();
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
    m_settings->remove(key);
    m_settings->sync();
}

QString Settings::path() const {
    return m_settings->fileName();
}

} // namespace lumora
