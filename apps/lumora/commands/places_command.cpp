#include "command_handlers.h"

#include "cli_options.h"
#include "cli_output.h"

#include "places/gazetteer.h"

#include <QJsonArray>
#include <QJsonObject>

namespace lumora::cli {

namespace {

QJsonObject placeJson(const GazetteerEntry& e) {
    return {{QStringLiteral("code"), e.code},
            {QStringLiteral("name"), e.name},
            {QStringLiteral("province"), e.province},
            {QStringLiteral("lat"), e.location.latitude},
            {QStringLiteral("lon"), e.location.longitude},
            {QStringLiteral("zone"), e.zone}};
}

} // namespace

int places(const QStringList& args) {
    const Options o = parseOptions(args, {});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() > 1) return fail(QStringLiteral("terlalu banyak argumen"));
    const QString query = o.positionals.value(0);
    const QList<GazetteerEntry> found = Gazetteer::builtIn().search(query);
    if (o.json) {
        QJsonArray arr;
        for (const GazetteerEntry& e : found)
            arr.append(placeJson(e));
        printJson(arr);
    } else {
        for (const GazetteerEntry& e : found)
            out() << e.code.leftJustified(7) << e.name.leftJustified(36) << e.province.leftJustified(28)
                  << QStringLiteral("%1,%2")
                         .arg(e.location.latitude, 0, 'f', 4)
                         .arg(e.location.longitude, 0, 'f', 4)
                         .leftJustified(22)
                  << e.zone << '\n';
        if (found.isEmpty()) warn(QStringLiteral("tempat tidak ditemukan: %1").arg(echoed(query)));
    }
    return found.isEmpty() ? 1 : 0;
}

} // namespace lumora::cli
