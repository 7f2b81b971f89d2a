#include "commands.h"
#include "desktop_app.h"

#include <QCoreApplication>

namespace {

// Only the desktop path builds a QApplication: every subcommand runs without a display.
bool startsDesktopApp(int argc, char** argv) {
    if (argc < 2) return true;
    const QByteArray first(argv[1]);
    return first == "app" || first == "--hidden";
}

} // namespace

int main(int argc, char** argv) {
    if (startsDesktopApp(argc, argv)) {
        QStringList args;
        for (int i = 1; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        return lumora::runDesktopApp(argc, argv, args);
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("lumora"));
    QCoreApplication::setApplicationName(QStringLiteral("lumora"));
    return lumora::cli::run(app.arguments().mid(1));
}
