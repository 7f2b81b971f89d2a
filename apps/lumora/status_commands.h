#pragma once

#include <QByteArrayView>
#include <QStringList>

namespace lumora::cli {

/// `lumora status [--json | --waybar] [--follow] [--at TIME]`: the tray's title, or its parts, once or on
/// every change. Returns the exit status.
int status(const QStringList& args);

/// `lumora dashboard [--json] [--at TIME] [--loading]`: what the window shows.
int dashboard(const QStringList& args);

/// `lumora screenshot FILE.png [--at TIME] [--size WxH] [--scale N] [--loading]`: the window's content as a
/// PNG. Needs a QGuiApplication (see `drawsPictures`).
int screenshot(const QStringList& args);

/// Whether the subcommand named `command` paints, and so needs a QGuiApplication instead of a core one.
inline bool drawsPictures(QByteArrayView command) {
    return command == "screenshot";
}

} // namespace lumora::cli
