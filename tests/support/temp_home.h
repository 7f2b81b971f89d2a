#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <optional>

namespace lumora::test {

/// Points HOME and the XDG folders at a fresh temporary folder for the life of the object, and restores them.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    QString path() const { return m_dir.path(); }
    /// $XDG_DATA_HOME/lumora
    QString dataFolder() const;
    /// $XDG_DATA_HOME/LumoraMac, the data folder of earlier builds
    QString legacyDataFolder() const;

private:
    QTemporaryDir m_dir;
    std::map<QByteArray, std::optional<QByteArray>> m_saved;
};

/// Sets an environment variable for the life of the object (unset when value is none).
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<QByteArray> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    QByteArray m_name;
    std::optional<QByteArray> m_old;
};

} // namespace lumora::test
