#include "app_options.h"
#include "cli_output.h"
#include "commands.h"
#include "desktop_app.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace {

int runCommandLine(QCoreApplication& app) {
    QCoreApplication::setOrganizationName(QStringLiteral("lumora"));
    QCoreApplication::setApplicationName(QStringLiteral("lumora"));
    return lumora::cli::run(app.arguments().mid(1));
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // Only the desktop path builds a QApplication: every subcommand runs without a display.
    if (lumora::startsDesktopApp(args)) {
        // Options that do not read end the start before anything exists: no window, no lock taken, and no
        // running copy woken.
        const auto options = lumora::parseAppOptions(args);
        if (!options) return lumora::cli::fail(options.error());
        return lumora::runDesktopApp(argc, argv, *options);
    }
    if (lumora::cli::drawsPictures(argv[1])) {
        // Painting needs the fonts and a paint engine but no display: draw offscreen unless told otherwise.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return runCommandLine(app);
    }
    QCoreApplication app(argc, argv);
    return runCommandLine(app);
}
