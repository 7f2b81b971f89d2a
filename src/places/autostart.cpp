#include "places/autostart.h"

#include "base/user_folders.h"
#include "places/storage.h"

#include "model/app_identity.h"

#include <QFileInfo>
#include <QList>

namespace lumora {

namespace {

// The name earlier versions gave the entry.
constexpr char kLegacyEntryName[] = "lumora.desktop";

/// The value of `key` in the [Desktop Entry] group; empty when absent.
QByteArray desktopEntryValue(const QByteArray& text, const QByteArray& key) {
    bool inMainGroup = false;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup || line.startsWith('#')) continue;
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && line.left(eq).trimmed() == key) return line.mid(eq + 1).trimmed();
    }
    return {};
}

} // namespace

Autostart::Autostart() : Autostart(UserFolders::autostartLocation()) {}

Autostart::Autostart(const QString& autostartFolder)
    : m_path(autostartFolder + u'/' + QLatin1String(AppIdentity::kDesktopEntry) + QStringLiteral(".desktop")),
      m_legacyPath(autostartFolder + u'/' + QLatin1String(kLegacyEntryName)) {}

QString Autostart::path() const {
    if (!QFileInfo::exists(m_path) && QFileInfo::exists(m_legacyPath)) return m_legacyPath;
    return m_path;
}

bool Autostart::isEnabled() const {
    const auto text = storage::readFile(path(), files::Kind::other);
    if (!text) return false;
    // Desktops switch an entry off in place rather than deleting it; such an entry does not start anything.
    return desktopEntryValue(*text, "Hidden") != "true" &&
           desktopEntryValue(*text, "X-GNOME-Autostart-enabled") != "false";
}

bool Autostart::enable() const {
    storage::ensureFolder(QFileInfo(m_path).absolutePath());
    if (!storage::writeFileAtomically(m_path, entryText())) return false;
    // One entry, so the session starts one copy and a desktop's switch acts on the entry that counts.
    storage::removeFile(m_legacyPath);
    return true;
}

bool Autostart::disable() const {
    storage::removeFile(m_path);
    storage::removeFile(m_legacyPath);
    return !QFileInfo::exists(m_path) && !QFileInfo::exists(m_legacyPath);
}

QByteArray Autostart::entryText() {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Lumora\n"
           "Comment=Jadwal sholat hari ini dan hitung mundur ke waktu sholat berikutnya\n"
           "Exec=lumora --hidden\n"
           "TryExec=lumora\n"
           "Icon=lumora\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

} // namespace lumora
