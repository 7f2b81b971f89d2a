#include "settings_file.h"

#include "base_log.h"
#include "one_line.h"

#include <QDir>
#include <QFileInfo>

namespace lumora {

namespace {

// Writers replace the file in a few steps; waiting this long lets one write be seen once, whole.
constexpr int kSettleMs = 100;
// The longest key name echoed back in a message.
constexpr qsizetype kMaxEchoedKey = 80;

} // namespace

QString SettingsFile::unknownKeyProblem(const QString& key) {
    const QString near = SettingsSchema::nearestName(key);
    QString line = QStringLiteral("kunci tidak dikenal: \"%1\"").arg(oneLine(key.left(kMaxEchoedKey)));
    if (!near.isEmpty()) line += QStringLiteral(" (maksud Anda %1?)").arg(near);
    return line;
}

SettingsFile::SettingsFile(const QString& path, QObject* parent) : QObject(parent), m_settings(path) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &SettingsFile::reread);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    for (const SettingsSchema::Key& key : SettingsSchema::keys())
        m_seen.insert(key.name, value(key.name).value);
    watch();
}

QString SettingsFile::path() const {
    return m_settings.path();
}

std::optional<QString> SettingsFile::storedText(const Settings& settings, const SettingsSchema::Key& key) {
    if (auto text = settings.text(key.name)) return text;
    if (!key.legacyName.isEmpty()) return settings.text(key.legacyName);
    return std::nullopt;
}

SettingsFile::Value SettingsFile::value(const QString& key) const {
    const SettingsSchema::Key* k = SettingsSchema::find(key);
    if (!k) return {};
    const std::optional<QString> text = storedText(m_settings, *k);
    // A blank value is no value: an emptied line in the file means "as by default".
    if (!text || text->trimmed().isEmpty()) return {k->defaultValue, Origin::defaultValue, {}};
    const SettingsSchema::Checked checked = SettingsSchema::check(*k, *text);
    if (!checked.value)
        return {k->defaultValue, Origin::defaultValue,
                checked.problem + QStringLiteral("; memakai ") + k->defaultValue};
    return {*checked.value, Origin::setting, {}};
}

QHash<QString, SettingsFile::Value> SettingsFile::values() const {
    QHash<QString, Value> all;
    for (const SettingsSchema::Key& key : SettingsSchema::keys())
        all.insert(key.name, value(key.name));
    return all;
}

QStringList SettingsFile::problems() const {
    QStringList lines;
    for (const SettingsSchema::Key& key : SettingsSchema::keys())
        if (const Value v = value(key.name); !v.problem.isEmpty()) lines << v.problem;
    return lines;
}

bool SettingsFile::set(const QString& key, const QString& text, QString* problem) {
    const SettingsSchema::Key* k = SettingsSchema::find(key);
    if (!k) {
        if (problem) *problem = unknownKeyProblem(key);
        return false;
    }
    const SettingsSchema::Checked checked = SettingsSchema::check(*k, text);
    if (!checked.value) {
        if (problem) *problem = checked.problem;
        return false;
    }
    m_settings.setText(k->name, *checked.value);
    // The new name holds the value from now on; the old one would only be read when the new one is reset.
    if (!k->legacyName.isEmpty()) m_settings.remove(k->legacyName);
    return true;
}

bool SettingsFile::reset(const QString& key, QString* problem) {
    const SettingsSchema::Key* k = SettingsSchema::find(key);
    if (!k) {
        if (problem) *problem = unknownKeyProblem(key);
        return false;
    }
    m_settings.remove(k->name);
    if (!k->legacyName.isEmpty()) m_settings.remove(k->legacyName);
    return true;
}

void SettingsFile::resetAll() {
    for (const SettingsSchema::Key& key : SettingsSchema::keys()) {
        m_settings.remove(key.name);
        if (!key.legacyName.isEmpty()) m_settings.remove(key.legacyName);
    }
}

void SettingsFile::watch() {
    // The file is replaced, not written in place, so its watch ends with each write; the folder's watch sees
    // the file come (and the first write, when there was no file yet).
    const QString file = m_settings.path();
    const QString folder = QFileInfo(file).absolutePath();
    QDir().mkpath(folder);
    if (!m_watcher.directories().contains(folder)) m_watcher.addPath(folder);
    if (QFileInfo::exists(file) && !m_watcher.files().contains(file)) m_watcher.addPath(file);
}

void SettingsFile::reread() {
    watch();
    for (const SettingsSchema::Key& key : SettingsSchema::keys()) {
        const QString now = value(key.name).value;
        QString& seen = m_seen[key.name];
        if (now == seen) continue;
        seen = now;
        qCDebug(baseLog).noquote() << "setting" << key.name << "is now" << oneLine(now.left(kMaxEchoedKey));
        Q_EMIT changed(key.name);
    }
}

} // namespace lumora
