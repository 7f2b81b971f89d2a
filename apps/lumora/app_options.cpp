#include "app_options.h"

#include "base/one_line.h"
#include "model/local_iso.h"

namespace lumora {

namespace {

QString unknownOption(const QString& option) {
    return QStringLiteral("pilihan tidak dikenal: %1 (lihat: lumora help)").arg(echoed(option));
}

} // namespace

bool startsDesktopApp(const QStringList& args) {
    if (args.isEmpty()) return true;
    const QString& first = args.first();
    if (first == u"app") return true;
    return first.startsWith(u'-') && first != u"--help" && first != u"-h" && first != u"--version";
}

Result<AppOptions> parseAppOptions(const QStringList& args) {
    AppOptions options;
    const qsizetype from = !args.isEmpty() && args.first() == u"app" ? 1 : 0;
    for (qsizetype i = from; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(u'-'))
            return Result<AppOptions>::fail(
                QStringLiteral("argumen tidak dikenal: %1 (lihat: lumora help)").arg(echoed(a)));
        const qsizetype eq = a.indexOf(u'=');
        const QString option = eq < 0 ? a : a.left(eq);
        if (option == u"--hidden") {
            if (eq >= 0) return Result<AppOptions>::fail(QStringLiteral("--hidden tidak memerlukan nilai"));
            options.hidden = true;
        } else if (option == u"--at") {
            QString text;
            if (eq >= 0)
                text = a.mid(eq + 1);
            else if (i + 1 < args.size())
                text = args[++i];
            else
                return Result<AppOptions>::fail(QStringLiteral("--at memerlukan nilai"));
            options.at = parseLocalIso(text);
            if (!options.at)
                return Result<AppOptions>::fail(
                    QStringLiteral("waktu tidak valid: %1 (contoh: 2026-03-07T05:50:00)").arg(echoed(text)));
        } else {
            return Result<AppOptions>::fail(unknownOption(option));
        }
    }
    return Result<AppOptions>::ok(options);
}

} // namespace lumora
