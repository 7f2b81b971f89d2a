#pragma once

#include <QByteArray>
#include <QString>

namespace lumora {

/// The user's start-at-login entry, $XDG_CONFIG_HOME/autostart/lumora.desktop, which starts `lumora
/// --hidden`.
class Autostart {
public:
    /// The entry in $XDG_CONFIG_HOME/autostart (~/.config/autostart), resolved when constructed.
    Autostart();
    explicit Autostart(const QString& autostartFolder);

    QString path() const { return m_path; }
    /// The entry is there and not switched off by the desktop (`Hidden=true`,
    /// `X-GNOME-Autostart-enabled=false`).
    bool isEnabled() const;
    /// Writes the entry whole; false when it could not be written.
    bool enable() const;
    /// Removes the entry; false when it is still there afterwards.
    bool disable() const;

    /// The entry as `enable()` writes it.
    static QByteArray entryText();

private:
    QString m_path;
};

} // namespace lumora
