#include "commands.h"
#include "desktop_app.h"
#include "status_commands.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace {

// Only the desktop path builds a QApplication: every subcommand runs without a display.
bool startsDesktopApp(int argc, char** argv) {
    if (argc < 2) return true;
    const QByteArray first(argv[1]);
    return first == "app" || first == "--hidden";
}

int runCommandLine(QCoreApplication& app) {
    QCoreApplication::setOrganizationName(QStringLiteral("lumora"));
    QCoreApplication::setApplicationName(QStringLiteral("lumora"));
    return lumora::cli::run(app.arguments().mid(1));
}

} // namespace

int main(int argc, char** argv) {
    if (startsDesktopApp(argc, argv)) {
        QStringList args;
        for (int i = 1; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return lumora::runDesktopApp(argc, argv, args);
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
