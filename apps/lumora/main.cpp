#include "commands.h"
#include "hijri_command.h"

#include "places/storage.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("lumora"));
    QCoreApplication::setApplicationName(QStringLiteral("lumora"));
    lumora::cli::applyHijriSettings(lumora::cli::hijriSettings(lumora::Settings()));
    return lumora::cli::run(app.arguments().mid(1));
}
