#include "cli_options.h"

#include "base/one_line.h"

namespace lumora::cli {

namespace {

bool* switchField(Options& o, const QString& name) {
    if (name == u"json") return &o.json;
    if (name == u"watch") return &o.watch;
    if (name == u"follow") return &o.follow;
    if (name == u"waybar") return &o.waybar;
    if (name == u"loading") return &o.loading;
    return nullptr;
}

std::optional<QString>* valueField(Options& o, const QString& name) {
    if (name == u"at") return &o.at;
    if (name == u"city") return &o.city;
    if (name == u"month") return &o.month;
    if (name == u"source") return &o.source;
    if (name == u"size") return &o.size;
    if (name == u"scale") return &o.scale;
    return nullptr;
}

} // namespace

Options parseOptions(const QStringList& args, const QStringList& valued, const QStringList& switches) {
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(u"--")) {
            o.positionals << a;
            continue;
        }
        const qsizetype eq = a.indexOf(u'=');
        const QString option = eq < 0 ? a : a.left(eq);
        const QString name = option.mid(2);
        if (name == u"json" || switches.contains(name)) {
            if (eq >= 0) {
                o.error = QStringLiteral("%1 tidak memerlukan nilai").arg(echoed(option));
                return o;
            }
            if (bool* field = switchField(o, name)) *field = true;
            continue;
        }
        std::optional<QString>* field = valued.contains(name) ? valueField(o, name) : nullptr;
        if (!field) {
            o.error = QStringLiteral("pilihan tidak dikenal: %1").arg(echoed(option));
            return o;
        }
        if (eq >= 0) {
            *field = a.mid(eq + 1);
        } else if (i + 1 < args.size()) {
            *field = args[++i];
        } else {
            o.error = QStringLiteral("%1 memerlukan nilai").arg(echoed(option));
            return o;
        }
    }
    return o;
}

} // namespace lumora::cli
