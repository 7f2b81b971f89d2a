#include "command_handlers.h"

#include "cli_output.h"
#include "cli_session.h"

#include <QJsonArray>

#include <qcoro/qcorotask.h>

namespace lumora::cli {

int cities(const QStringList& args) {
    const Options o = parseOptions(args, {});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() > 1) return fail(QStringLiteral("terlalu banyak argumen"));
    QString error;
    auto session = makeSession(o, &error);

    if (o.positionals.isEmpty()) {
        const QList<CityEntry> all = QCoro::waitFor(session->catalog().entries());
        if (o.json) {
            QJsonArray arr;
            for (const CityEntry& c : all)
                arr.append(c.toJson());
            printJson(arr);
        } else {
            for (const CityEntry& c : all)
                out() << c.code.leftJustified(8) << c.name << '\n';
        }
        return 0;
    }
    const auto found = QCoro::waitFor(session->catalog().match(o.positionals.first()));
    if (o.json)
        printJson(found ? QJsonValue(found->toJson()) : QJsonValue(QJsonValue::Null));
    else if (found)
        out() << found->code.leftJustified(8) << found->name << '\n';
    else
        warn(QStringLiteral("kota tidak ditemukan: %1").arg(echoed(o.positionals.first())));
    return found ? 0 : 1;
}

} // namespace lumora::cli
