#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

class QTextStream;

namespace lumora::cli {

/// Runs one subcommand (`args` without the program name); returns the exit status.
int run(const QStringList& args);

/// Whether the subcommand named `command` paints, and so needs a QGuiApplication instead of a core one.
bool drawsPictures(QByteArrayView command);

/// "lumora VERSION"
QString versionLine();
/// The usage text `lumora help` prints.
void printUsage(QTextStream& s);

} // namespace lumora::cli
