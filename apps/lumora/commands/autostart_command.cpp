#include "command_handlers.h"

#include "places/autostart.h"

#include <QStandardPaths>
#include <QTextStream>

namespace lumora::cli {

namespace {

constexpr int kUsageError = 2;

QString stateLine(bool enabled) {
    return enabled ? QStringLiteral("Mulai saat login: aktif")
                   : QStringLiteral("Mulai saat login: tidak aktif");
}

} // namespace

int autostart(const QStringList& args) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList actions{QStringLiteral("on"), QStringLiteral("off"), QStringLiteral("status")};
    if (args.size() != 1 || !actions.contains(args.first())) {
        err << "lumora: pemakaian: lumora autostart on|off|status" << Qt::endl;
        return kUsageError;
    }
    const Autostart entry;
    const QString& action = args.first();
    if (action == u"on") {
        if (!entry.enable()) {
            err << "lumora: tidak dapat menulis " << entry.path() << Qt::endl;
            return 1;
        }
        // The entry names the program, not a path: the login session finds it only on its PATH.
        if (QStandardPaths::findExecutable(QStringLiteral("lumora")).isEmpty())
            err << "lumora: peringatan: lumora tidak ada di PATH, jadi entri ini belum dapat menjalankannya"
                << Qt::endl;
    } else if (action == u"off") {
        if (!entry.disable()) {
            err << "lumora: tidak dapat menghapus " << entry.path() << Qt::endl;
            return 1;
        }
    }
    out << stateLine(entry.isEnabled()) << " (" << entry.path() << ")" << Qt::endl;
    return 0;
}

} // namespace lumora::cli
