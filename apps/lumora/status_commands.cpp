#include "status_commands.h"

#include "cli_output.h"
#include "cli_session.h"

#include "model/dashboard_model.h"
#include "model/tray_presentation.h"
#include "shell/dashboard_painter.h"

#include <QImage>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>

namespace lumora::cli {

namespace {

/// Screenshots stay within what a PNG viewer and memory comfortably hold.
constexpr int kMaxScreenshotSide = 16384;
constexpr double kMaxScreenshotScale = 8;
/// Without a blink to show, a follow loop still looks this often, so a suspend or a clock change that
/// delays its timer leaves the line stale only briefly.
constexpr std::chrono::milliseconds kLongestFollowWait{10'000};

enum class StatusFormat { title, json, waybar };

QString compactJson(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QJsonObject statusJson(const TrayPresentation& p, Instant now) {
    QJsonObject o{{QStringLiteral("title"), p.title},
                  {QStringLiteral("label"), p.prayerLabel},
                  {QStringLiteral("countdown"), p.countdown},
                  {QStringLiteral("color"), rawValue(p.color)},
                  {QStringLiteral("menuTime"), p.menuTimeText}};
    if (p.display) {
        o.insert(QStringLiteral("prayer"), rawValue(p.display->prayer));
        o.insert(QStringLiteral("phase"), rawValue(p.display->phase(now)));
    }
    return o;
}

/// waybar's `return-type: json`: the text beside the module, its tooltip, a CSS class and the key for
/// `format-icons`.
QJsonObject waybarJson(const TrayPresentation& p, Instant now) {
    const QString none = QStringLiteral("none");
    return {{QStringLiteral("text"), p.title.startsWith(u' ') ? p.title.mid(1) : p.title},
            {QStringLiteral("tooltip"), p.tooltip},
            {QStringLiteral("class"), p.display ? rawValue(p.display->phase(now)) : none},
            {QStringLiteral("alt"), p.display ? rawValue(p.display->prayer) : none}};
}

/// One line of `status` output; JSON on one line when it is followed.
QString statusLine(StatusFormat format, const TrayPresentation& p, Instant now, bool follow) {
    switch (format) {
    case StatusFormat::title:
        return p.title;
    case StatusFormat::json:
        return follow ? compactJson(statusJson(p, now))
                      : QString::fromUtf8(QJsonDocument(statusJson(p, now)).toJson(QJsonDocument::Indented))
                            .chopped(1);
    case StatusFormat::waybar:
        return compactJson(waybarJson(p, now));
    }
    return {};
}

QString dashboardText(const DashboardModel& m) {
    QString out = m.city + u'\n' + m.title + u' ' + m.hours + (m.colonVisible ? u':' : u' ') + m.minutes +
                  u'\n' + m.dateLine + u'\n';
    // A countdown hidden by the blink is shown in brackets, as the widget's timeline does.
    out += (m.countdownOpacity > 0 ? m.countdownLine : u'(' + m.countdownLine + u')') + u'\n';
    if (m.loading) out += QStringLiteral("Memuat...\n");
    if (!m.statusLine.isEmpty()) out += m.statusLine + u'\n';
    out += u'\n' + m.scheduleTitle + u'\n';
    for (const DashboardRow& row : m.rows)
        out += (row.highlight ? QStringLiteral("> ") : QStringLiteral("  ")) + row.label.leftJustified(16) +
               row.time + u'\n';
    if (!m.emptyText.isEmpty()) out += m.emptyText + u'\n';
    return out;
}

/// The window's model as the app would show it at `now`; the CLI's clock is also its blink clock.
DashboardModel dashboardAt(const LoadedState& loaded, bool loading) {
    return dashboardModel(loaded.state, loaded.now, loaded.now, loading);
}

QCoro::Task<int> followStatus(Session& session, StatusFormat format) {
    QString shown;
    co_await followDay(session, [&](const LoadedState& loaded, Instant now, FollowEvent) {
        const TrayPresentation p = presentTray(loaded.state, now, now);
        const QString line = statusLine(format, p, now, true);
        if (line != shown) {
            out() << line << '\n';
            out().flush();
            shown = line;
        }
        // The colour blinks by the second only while a prayer enters; otherwise texts change by the minute.
        if (p.display && p.display->phase(now) == PrayerDisplayPhase::entering) return untilNextSecond(now);
        return std::min(untilNextMinute(now), kLongestFollowWait);
    });
    co_return 0;
}

std::optional<QSize> sizeFrom(const QString& text) {
    const auto match = QRegularExpression(QStringLiteral(R"(^(\d{1,5})x(\d{1,5})$)")).match(text);
    if (!match.hasMatch()) return std::nullopt;
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    if (size.width() < 1 || size.height() < 1) return std::nullopt;
    return size;
}

} // namespace

int status(const QStringList& args) {
    const Options o =
        parseOptions(args, {QStringLiteral("at")}, {QStringLiteral("waybar"), QStringLiteral("follow")});
    if (o.json && o.waybar) return fail(QStringLiteral("--json tidak dapat dipakai bersama --waybar"));
    int exitStatus = 0;
    auto session = sessionWithoutArguments(o, &exitStatus);
    if (!session) return exitStatus;

    const StatusFormat format = o.json     ? StatusFormat::json
                                : o.waybar ? StatusFormat::waybar
                                           : StatusFormat::title;
    if (o.follow) return QCoro::waitFor(followStatus(*session, format));

    const auto [state, now] = loadTodayState(*session);
    out() << statusLine(format, presentTray(state, now, now), now, false) << '\n';
    return statusFor(state);
}

int dashboard(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at")}, {QStringLiteral("loading")});
    int exitStatus = 0;
    auto session = sessionWithoutArguments(o, &exitStatus);
    if (!session) return exitStatus;

    const LoadedState loaded = loadTodayState(*session);
    const DashboardModel model = dashboardAt(loaded, o.loading);
    if (o.json)
        printJson(model.toJson());
    else
        out() << dashboardText(model);
    return statusFor(loaded.state);
}

int screenshot(const QStringList& args) {
    const Options o =
        parseOptions(args, {QStringLiteral("at"), QStringLiteral("size"), QStringLiteral("scale")},
                     {QStringLiteral("loading")});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.json) return fail(QStringLiteral("pilihan tidak dikenal: --json"));
    if (o.positionals.size() != 1)
        return fail(QStringLiteral(
            "pemakaian: lumora screenshot FILE.png [--at WAKTU] [--size LxT] [--scale N] [--loading]"));

    const QSize size = o.size ? sizeFrom(*o.size).value_or(QSize()) : QSize(731, 500);
    if (size.isEmpty()) return fail(QStringLiteral("ukuran tidak valid: %1 (contoh: 731x500)").arg(*o.size));
    double scale = 1;
    if (o.scale) {
        bool ok = false;
        scale = o.scale->toDouble(&ok);
        if (!ok || !std::isfinite(scale) || scale <= 0 || scale > kMaxScreenshotScale)
            return fail(QStringLiteral("skala tidak valid: %1 (angka di atas 0 sampai 8)").arg(*o.scale));
    }
    if (std::ceil(size.width() * scale) > kMaxScreenshotSide ||
        std::ceil(size.height() * scale) > kMaxScreenshotSide)
        return fail(
            QStringLiteral("gambar terlalu besar: paling banyak %1 piksel per sisi").arg(kMaxScreenshotSide));

    QString error;
    auto session = makeSession(o, &error);
    if (!session) return fail(error);

    const LoadedState loaded = loadTodayState(*session);
    const QImage image = renderDashboard(dashboardAt(loaded, o.loading), size, scale);
    const QString file = o.positionals.first();
    if (!image.save(file, "PNG")) return fail(QStringLiteral("tidak dapat menulis %1").arg(file));
    return statusFor(loaded.state);
}

} // namespace lumora::cli
