#include "widget_commands.h"

#include "widget/lumora_widget_provider.h"
#include "widget/lumora_widget_view.h"
#include "widget/widget_host_window.h"

#include "base/advisory_lock.h"
#include "base/one_line.h"
#include "base/user_folders.h"
#include "model/app_identity.h"
#include "model/local_iso.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

namespace lumora::widgetcli {

namespace {

constexpr int kUsageError = 2;

const char* const kVersion = "lumora-widget " LUMORA_VERSION;

const char* const kUsage =
    ": widget desktop Lumora\n"
    "\n"
    "Pemakaian: lumora-widget [--family small|medium] [--snapshot FILE]\n"
    "           lumora-widget render FILE.png [--at WAKTU] [--family small|medium] [--scale N]\n"
    "                         [--snapshot FILE]\n"
    "           lumora-widget timeline [--json] [--at WAKTU] [--snapshot FILE]\n"
    "           lumora-widget --version\n"
    "\n"
    "Tanpa perintah, lumora-widget menampilkan widget di desktop (satu per pengguna).\n"
    "  render FILE.png    menggambar widget pada WAKTU ke berkas PNG, tanpa layar (--scale 2: lebih tajam)\n"
    "  timeline           entri satu jam ke depan dan waktu muat ulangnya\n"
    "  --family           ukuran widget: small (170x170, bawaan) atau medium (364x170)\n"
    "  --snapshot FILE    membaca FILE, bukan snapshot aplikasi di folder data\n"
    "\n"
    "WAKTU adalah waktu setempat ISO 8601, misalnya 2026-03-07T05:50:00 (detik boleh tidak ditulis).\n";

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}

/// One line on stderr, as `lumora` writes its errors.
int fail(const QString& message, int status = kUsageError) {
    QTextStream(stderr) << "lumora-widget: " << oneLine(message) << Qt::endl;
    return status;
}

struct Options {
    QString command; ///< empty: the host
    QStringList positionals;
    std::map<QString, QString> values;
    bool json = false;
    QString error;

    std::optional<QString> value(const char* name) const {
        const auto it = values.find(QString::fromLatin1(name));
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
};

// Valued options take `--opt value` or `--opt=value`.
Options parse(const QStringList& args) {
    static const QStringList valued = {"--at", "--family", "--scale", "--snapshot"};
    Options o;
    int i = 0;
    if (!args.isEmpty() && !args[0].startsWith(u'-')) o.command = args[i++];
    for (; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--json") {
            o.json = true;
        } else if (a.startsWith(u"--")) {
            const qsizetype eq = a.indexOf(u'=');
            const QString name = eq < 0 ? a : a.left(eq);
            if (!valued.contains(name)) {
                o.error = QStringLiteral("pilihan tidak dikenal: %1 (lihat: lumora-widget --help)")
                              .arg(echoed(name));
                return o;
            }
            if (eq >= 0) {
                o.values[name] = a.mid(eq + 1);
            } else if (i + 1 < args.size()) {
                o.values[name] = args[++i];
            } else {
                o.error = QStringLiteral("%1 memerlukan nilai").arg(echoed(name));
                return o;
            }
        } else {
            o.positionals.append(a);
        }
    }
    return o;
}

// Only `only` of the valued options are allowed, and `json` only where asked.
QString checkAllowed(const Options& o, const QStringList& only, bool jsonAllowed) {
    for (const auto& [name, value] : o.values)
        if (!only.contains(name)) return QStringLiteral("%1 tidak berlaku di sini").arg(echoed(name));
    if (o.json && !jsonAllowed) return QStringLiteral("--json tidak berlaku di sini");
    return {};
}

std::optional<Instant> atOption(const Options& o, QString* error) {
    const auto at = o.value("--at");
    if (!at) return SystemClock::instance().now();
    const auto t = parseLocalIso(*at);
    if (!t) *error = QStringLiteral("waktu tidak valid: %1 (contoh: 2026-03-07T05:50:00)").arg(echoed(*at));
    return t;
}

std::optional<WidgetFamily> familyOption(const Options& o, QString* error) {
    const auto name = o.value("--family");
    if (!name) return std::nullopt;
    const auto family = widgetFamilyFromName(*name);
    if (!family) *error = QStringLiteral("ukuran tidak dikenal: %1 (small atau medium)").arg(echoed(*name));
    return family;
}

/// The file given with --snapshot, else the snapshot in the data folder (moved there first if need be).
LumoraWidgetProvider providerFor(const Options& o, const std::optional<UserFolders>& folders = std::nullopt) {
    if (const auto file = o.value("--snapshot")) return LumoraWidgetProvider(*file);
    return LumoraWidgetProvider(
        WidgetSnapshotStore::path(folders ? folders->dataFolder : UserFolders::resolve().dataFolder));
}

QJsonObject entryJson(const LumoraWidgetEntry& entry) {
    const WidgetViewModel m = entry.viewModel();
    return {{QStringLiteral("date"), entry.date.seconds},
            {QStringLiteral("local"), formatLocalIso(entry.date)},
            {QStringLiteral("city"), m.cityName},
            {QStringLiteral("title"), m.title},
            {QStringLiteral("time"), m.timeText},
            {QStringLiteral("status"), m.statusText},
            {QStringLiteral("statusOpacity"), m.statusOpacity}};
}

int timelineCommand(const Options& o) {
    if (const QString e = checkAllowed(o, {"--at", "--snapshot"}, true); !e.isEmpty()) return fail(e);
    if (!o.positionals.isEmpty())
        return fail(QStringLiteral("argumen tidak dikenal: %1").arg(echoed(o.positionals.first())));
    QString error;
    const auto at = atOption(o, &error);
    if (!at) return fail(error);
    const ManualClock clock(*at);
    const LumoraWidgetTimeline t = providerFor(o).getTimeline(clock);

    if (o.json) {
        QJsonArray entries;
        for (const LumoraWidgetEntry& e : t.entries)
            entries.append(entryJson(e));
        const QJsonObject doc{{QStringLiteral("entries"), entries},
                              {QStringLiteral("reloadAt"), t.reloadAt.seconds},
                              {QStringLiteral("reloadLocal"), formatLocalIso(t.reloadAt)}};
        out() << QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented));
    } else {
        for (const LumoraWidgetEntry& e : t.entries) {
            const WidgetViewModel m = e.viewModel();
            // A hidden status line (the blink's off second) is shown in brackets.
            const QString status =
                m.statusOpacity > 0 ? m.statusText : QStringLiteral("(") + m.statusText + QStringLiteral(")");
            out() << formatLocalIso(e.date) << "  " << m.cityName << "  " << m.title << "  " << m.timeText
                  << "  " << status << '\n';
        }
        out() << "reload " << formatLocalIso(t.reloadAt) << '\n';
    }
    out().flush();
    return 0;
}

int renderCommand(const Options& o) {
    if (const QString e = checkAllowed(o, {"--at", "--family", "--scale", "--snapshot"}, false); !e.isEmpty())
        return fail(e);
    if (o.positionals.size() != 1)
        return fail(QStringLiteral("render memerlukan tepat satu berkas keluaran (FILE.png)"));
    QString error;
    const auto at = atOption(o, &error);
    if (!at) return fail(error);
    const auto family = familyOption(o, &error);
    if (!error.isEmpty()) return fail(error);
    double scale = 1;
    if (const auto s = o.value("--scale")) {
        bool ok = false;
        scale = s->toDouble(&ok);
        if (!ok || !std::isfinite(scale) || scale <= 0 || scale > 8)
            return fail(QStringLiteral("skala tidak valid: %1 (angka di atas 0 sampai 8)").arg(echoed(*s)));
    }
    const ManualClock clock(*at);
    const LumoraWidgetEntry entry = providerFor(o).getSnapshot(clock);
    const QImage image =
        LumoraWidgetView::render(entry.viewModel(), family.value_or(WidgetFamily::small), scale);
    if (!image.save(o.positionals[0], "PNG"))
        return fail(QStringLiteral("tidak dapat menulis %1").arg(echoed(o.positionals[0])), 1);
    return 0;
}

int hostCommand(int argc, char** argv, const Options& o) {
    if (const QString e = checkAllowed(o, {"--family", "--snapshot"}, false); !e.isEmpty()) return fail(e);
    if (!o.positionals.isEmpty())
        return fail(QStringLiteral("argumen tidak dikenal: %1").arg(echoed(o.positionals[0])));
    QString error;
    const auto family = familyOption(o, &error);
    if (!error.isEmpty()) return fail(error);

    // One host per user: a second start leaves the first one alone and succeeds.
    const UserFolders folders = UserFolders::resolve();
    const AdvisoryLock lock =
        AdvisoryLock::acquire(folders.dataFolder + QStringLiteral("/lumora-widget.lock"));
    if (!lock.isHeld()) {
        if (lock.state() == AdvisoryLock::State::heldElsewhere) return 0;
        return fail(QStringLiteral("tidak dapat membuka berkas kunci di %1").arg(echoed(folders.dataFolder)),
                    1);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumora-widget"));
    QApplication::setDesktopFileName(QString::fromLatin1(AppIdentity::kWidgetDesktopEntry));
    QApplication::setQuitOnLastWindowClosed(true);
    WidgetHostWindow window(SystemClock::instance(), providerFor(o, folders), folders.settingsPath, family);
    window.showOnDesktop();
    return app.exec();
}

} // namespace

int run(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    if (args.contains(u"--help") || args.contains(u"-h") || args.value(0) == u"help") {
        out() << kVersion << kUsage;
        out().flush();
        return 0;
    }
    if (args.value(0) == u"--version") {
        out() << kVersion << '\n';
        out().flush();
        return 0;
    }
    const Options o = parse(args);
    if (!o.error.isEmpty()) return fail(o.error);

    if (o.command == u"timeline") {
        QCoreApplication app(argc, argv);
        return timelineCommand(o);
    }
    if (o.command == u"render") {
        // A picture needs no display: draw offscreen unless told otherwise.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return renderCommand(o);
    }
    if (!o.command.isEmpty())
        return fail(QStringLiteral("perintah tidak dikenal: %1 (lihat: lumora-widget --help)")
                        .arg(echoed(o.command)));
    return hostCommand(argc, argv, o);
}

} // namespace lumora::widgetcli
