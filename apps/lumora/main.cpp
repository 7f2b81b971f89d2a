#include "commands.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("lumora"));
    QCoreApplication::setApplicationName(QStringLiteral("lumora"));
    return lumora::cli::run(app.arguments().mid(1));
}
