#include "support/temp_home.h"

#include <QDir>
#include <QStandardPaths>

namespace lumora::test {

namespace {
std::optional<QByteArray> current(const char* name) {
    if (!qEnvironmentVariableIsSet(name)) return std::nullopt;
    return qgetenv(name);
}
void restore(const QByteArray& name, const std::optional<QByteArray>& value) {
    if (value)
        qputenv(name.constData(), *value);
    else
        qunsetenv(name.constData());
}
} // namespace

TempHome::TempHome() {
    const QString root = m_dir.path();
    const std::pair<const char*, QString> vars[] = {
        {"HOME", root},
        {"XDG_DATA_HOME", root + "/.local/share"},
        {"XDG_CONFIG_HOME", root + "/.config"},
        {"XDG_CACHE_HOME", root + "/.cache"},
    };
    for (const auto& [name, value] : vars) {
        m_saved[name] = current(name);
        QDir().mkpath(value);
        qputenv(name, value.toUtf8());
    }
    QStandardPaths::setTestModeEnabled(false);
}

TempHome::~TempHome() {
    for (const auto& [name, value] : m_saved)
        restore(name, value);
}

QString TempHome::dataFolder() const {
    return m_dir.path() + "/.local/share/lumora";
}

QString TempHome::legacyDataFolder() const {
    return m_dir.path() + "/.local/share/LumoraMac";
}

ScopedEnv::ScopedEnv(const char* name, std::optional<QByteArray> value) : m_name(name), m_old(current(name)) {
    restore(m_name, value);
}

ScopedEnv::~ScopedEnv() {
    restore(m_name, m_old);
}

} // namespace lumora::test
