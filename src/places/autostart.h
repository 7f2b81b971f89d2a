#pragma once

#include <QByteArray>
#include <QString>

namespace lumora {

/// The user's start-at-login entry, $XDG_CONFIG_HOME/autostart/id.lumora.Lumora.desktop, which starts
/// `lumora --hidden`. An entry under the earlier name lumora.desktop is taken as ours too, until the next
/// switch writes or removes it.
class Autostart {
public:
    /// The entry in $XDG_CONFIG_HOME/autostart (~/.config/autostart), resolved when constructed.
    Autostart();
    explicit Autostart(const QString& autostartFolder);

    /// The entry in effect: ours, else one under the earlier name, else where `enable()` writes.
    QString path() const;
    /// The entry is there and not switched off by the desktop (`Hidden=true`,
    /// `X-GNOME-Autostart-enabled=false`).
    bool isEnabled() const;
    /// Writes the entry whole and drops one under the earlier name; false when it could not be written.
    bool enable() const;
    /// Removes the entry under either name; false when one is still there afterwards.
    bool disable() const;

    /// The entry as `enable()` writes it.
    static QByteArray entryText();

private:
    QString m_path;
    QString m_legacyPath;
};

} // namespace lumora
