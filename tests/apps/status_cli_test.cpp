// `lumora status`, `dashboard` and `screenshot` as bars, scripts and bug reports run them: a real process
// over a seeded folder of month files, at fixed moments.
#include "lumora_cli_fixture.h"

#include "shell/dashboard_painter.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace lumora::test {
namespace {

class StatusCli : public LumoraCli {
protected:
    void SetUp() override { seedJakarta(); }

    /// Starts a follow run and collects its lines until `done` holds for them, or 15 s pass.
    QStringList followUntil(const QStringList& args, const std::function<bool(const QStringList&)>& done) {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral(LUMORA_BINARY), args);
        QStringList lines;
        for (int i = 0; i < 150 && !done(lines); ++i) {
            p.waitForReadyRead(100);
            while (p.canReadLine())
                lines << QString::fromUtf8(p.readLine()).chopped(1);
        }
        p.kill();
        p.waitForFinished();
        return lines;
    }
};

QJsonObject objectOf(const QString& line) {
    return QJsonDocument::fromJson(line.toUtf8()).object();
}

// The seeded day: subuh 04:35, syuruq 05:50 (dhuha follows at 06:05), dhuhur 11:52, ashar 15:13, maghrib
// 17:46.
TEST_F(StatusCli, TitleFollowsThePhasesOfTheDay) {
    struct Case {
        const char* at;
        const char* title;
        const char* color;
        const char* phase;
        const char* menuTime;
    };
    const Case cases[] = {
        {"2026-03-07T10:51:00", " DHUHUR -1j 1m", "label", "upcoming", "11:52"},   // 61 minutes before
        {"2026-03-07T05:50:00", " SYURUQ -15m", "orange", "approaching", "05:50"}, // counting to dhuha
        {"2026-03-07T15:12:00", " ASHAR -1m", "label", "upcoming", "15:13"},
        {"2026-03-07T15:12:30", " ASHAR -1m", "label", "upcoming", "15:13"},   // its last minute counts down
        {"2026-03-07T15:13:00", " ASHAR ADZAN", "red", "entering", "15:13"},   // the adzan at its minute
        {"2026-03-07T15:13:01", " ASHAR ADZAN", "clear", "entering", "15:13"}, // odd blink second
        {"2026-03-07T15:25:30", " ASHAR +12m", "darkBlue", "cooldown", "15:13"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        const CliResult plain = run({"status", "--at", c.at});
        ASSERT_EQ(plain.status, 0) << plain.err.toStdString();
        EXPECT_EQ(plain.out, QString::fromUtf8(c.title) + u'\n');

        const CliResult json = run({"status", "--json", "--at", c.at});
        ASSERT_EQ(json.status, 0) << json.err.toStdString();
        const QJsonObject o = json.json().toObject();
        EXPECT_EQ(o["title"].toString(), c.title);
        EXPECT_EQ(o["color"].toString(), c.color);
        EXPECT_EQ(o["phase"].toString(), c.phase);
        EXPECT_EQ(o["menuTime"].toString(), c.menuTime);
    }
}

TEST_F(StatusCli, JsonAndWaybarFormsHaveTheirDocumentedShapes) {
    const CliResult json = run({"status", "--json", "--at", kAt});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    EXPECT_EQ(compact(json.json()), compact(QJsonObject{{"title", " SYURUQ -15m"},
                                                        {"label", "SYURUQ"},
                                                        {"countdown", "-15m"},
                                                        {"color", "orange"},
                                                        {"menuTime", "05:50"},
                                                        {"prayer", "syuruq"},
                                                        {"phase", "approaching"}}));

    // waybar reads one object per line.
    const CliResult waybar = run({"status", "--waybar", "--at", kAt});
    ASSERT_EQ(waybar.status, 0) << waybar.err.toStdString();
    EXPECT_EQ(waybar.out.count(u'\n'), 1);
    EXPECT_TRUE(waybar.out.endsWith(u'\n'));
    EXPECT_EQ(compact(objectOf(waybar.out)),
              compact(QJsonObject{{"text", "SYURUQ -15m"},
                                  {"tooltip", "Jakarta\nSYURUQ 05:50\n-15 menit"},
                                  {"class", "approaching"},
                                  {"alt", "syuruq"}}));
}

TEST_F(StatusCli, WithoutAScheduleTheTitleCarriesTheStatusAndExitsOne) {
    QDir(m_home.dataFolder()).removeRecursively();
    const QList<std::pair<QString, QString>> noHisab{{"LUMORA_HISAB", "off"}};

    const CliResult plain = run({"status", "--at", kAt}, noHisab);
    EXPECT_EQ(plain.status, 1);
    EXPECT_EQ(plain.out, " JADWAL Gagal memuat jadwal untuk Jakarta\n");

    // Without a display state there is no prayer or phase, and the menu time is the moment itself.
    const CliResult json = run({"status", "--json", "--at", "2026-03-07T05:47:30"}, noHisab);
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(compact(json.json()),
              compact(QJsonObject{{"title", " JADWAL Gagal memuat jadwal untuk Jakarta"},
                                  {"label", "JADWAL"},
                                  {"countdown", "Gagal memuat jadwal untuk Jakarta"},
                                  {"color", "label"},
                                  {"menuTime", "05:47"}}));

    const CliResult waybar = run({"status", "--waybar", "--at", kAt}, noHisab);
    EXPECT_EQ(waybar.status, 1);
    const QJsonObject o = objectOf(waybar.out);
    EXPECT_EQ(o["class"].toString(), "none");
    EXPECT_EQ(o["alt"].toString(), "none");
    EXPECT_EQ(o["tooltip"].toString(), "Jakarta\nGagal memuat jadwal untuk Jakarta");
}

// Time runs on from --at; a line comes whenever the output changes.
TEST_F(StatusCli, FollowPrintsANewLineAsTimePasses) {
    // Ashar is at 15:13: two seconds after the start.
    const QStringList waybar = followUntil(
        {"status", "--waybar", "--follow", "--at", "2026-03-07T15:12:58"}, [](const QStringList& lines) {
            return !lines.isEmpty() && objectOf(lines.last())["text"].toString() == u"ASHAR ADZAN";
        });
    ASSERT_GE(waybar.size(), 2) << waybar.join(u'\n').toStdString();
    EXPECT_EQ(objectOf(waybar.first())["text"].toString(), "ASHAR -1m");
    EXPECT_EQ(objectOf(waybar.last())["text"].toString(), "ASHAR ADZAN");
    EXPECT_EQ(objectOf(waybar.last())["class"].toString(), "entering");

    // While the prayer enters, the colour blinks by the second, each change a line of its own.
    const QStringList json = followUntil({"status", "--json", "--follow", "--at=2026-03-07T15:13:00"},
                                         [](const QStringList& lines) { return lines.size() >= 3; });
    ASSERT_GE(json.size(), 3) << json.join(u'\n').toStdString();
    EXPECT_EQ(objectOf(json[0])["color"].toString(), "red");
    EXPECT_EQ(objectOf(json[1])["color"].toString(), "clear");
    EXPECT_EQ(objectOf(json[2])["color"].toString(), "red");
    for (const QString& line : json)
        EXPECT_EQ(objectOf(line)["title"].toString(), " ASHAR ADZAN");
}

TEST_F(StatusCli, DashboardJsonHoldsTheWindowsModel) {
    const CliResult r = run({"dashboard", "--json", "--at", kAt});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = r.json().toObject();
    const QStringList keys{"city",           "title",         "dateLine",
                           "hours",          "minutes",       "colonVisible",
                           "timeUrgent",     "countdownLine", "countdownOpacity",
                           "countdownScale", "countdownGlow", "accent",
                           "loading",        "scheduleTitle", "rows",
                           "statusLine"};
    QStringList actual = o.keys(), expected = keys;
    actual.sort();
    expected.sort();
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(o["city"].toString(), "JAKARTA");
    EXPECT_EQ(o["title"].toString(), "SYURUQ");
    EXPECT_EQ(o["hours"].toString() + u':' + o["minutes"].toString(), "05:50");
    EXPECT_EQ(o["countdownLine"].toString(), "-15 menit");
    EXPECT_EQ(o["accent"].toString(), "crimson");
    EXPECT_FALSE(o["loading"].toBool());
    const QJsonArray rows = o["rows"].toArray();
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(compact(rows[1]),
              compact(QJsonObject{{"label", "SYURUQ"}, {"time", "05:50"}, {"highlight", true}}));

    // The blink second is the given instant: the colon hides on odd seconds of the entering phase.
    struct Case {
        const char* at;
        bool colon;
        const char* accent;
    };
    for (const Case& c :
         {Case{"2026-03-07T15:13:00", true, "crimson"}, Case{"2026-03-07T15:13:01", false, "crimson"},
          Case{"2026-03-07T15:25:30", true, "nightBlue"}}) {
        SCOPED_TRACE(c.at);
        const QJsonObject m =
            run({"dashboard", "--json", "--loading", QStringLiteral("--at=") + c.at}).json().toObject();
        EXPECT_EQ(m["colonVisible"].toBool(), c.colon);
        EXPECT_EQ(m["accent"].toString(), c.accent);
        EXPECT_TRUE(m["loading"].toBool());
    }

    const CliResult text = run({"dashboard", "--at", kAt});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.startsWith("JAKARTA\nSYURUQ 05:50\n")) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("\n> SYURUQ          05:50\n")) << text.out.toStdString();
}

TEST_F(StatusCli, DashboardWithoutAScheduleSaysSo) {
    QDir(m_home.dataFolder()).removeRecursively();
    const CliResult r = run({"dashboard", "--json", "--at", kAt}, {{"LUMORA_HISAB", "off"}});
    EXPECT_EQ(r.status, 1);
    const QJsonObject o = r.json().toObject();
    EXPECT_EQ(o["emptyText"].toString(), "Jadwal belum tersedia.");
    EXPECT_EQ(o["rows"].toArray().size(), 0);
    EXPECT_EQ(o["hours"].toString(), "--");
}

/// How many pixels of `rect` (logical pixels) are within a small distance of `color`.
int pixelsNear(const QImage& image, QRect rect, const QColor& color) {
    const double dpr = image.devicePixelRatio();
    int count = 0;
    for (int y = int(rect.top() * dpr); y <= int(rect.bottom() * dpr); ++y)
        for (int x = int(rect.left() * dpr); x <= int(rect.right() * dpr); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
                    std::abs(c.blue() - color.blue()) <=
                12)
                ++count;
        }
    return count;
}

TEST_F(StatusCli, ScreenshotDrawsTheWindowAtTheAskedSizeAndScaleWithoutADisplay) {
    struct Case {
        QStringList extra;
        QSize pixels;
    };
    const Case cases[] = {
        {{}, QSize(731, 500)},
        {{"--scale", "2"}, QSize(1462, 1000)},
        {{"--size=400x300", "--scale=1.5"}, QSize(600, 450)},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra.join(' ').toStdString());
        const QString file = dir.filePath("shot.png");
        QFile::remove(file);
        const CliResult r = run(QStringList{"screenshot", file, "--at", kAt} + c.extra);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.err, QString());
        QImage image(file);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), c.pixels);
        if (c.pixels.width() / 731.0 == c.pixels.height() / 500.0) {
            // The title "SYURUQ" in crimson, below the brand and left of the refresh button (design points).
            image.setDevicePixelRatio(c.pixels.width() / 731.0);
            EXPECT_GT(pixelsNear(image, QRect(40, 100, 300, 85), DashboardColors::crimson()), 500);
        }
    }

    // Without a schedule the window still has its picture; the status says what is missing.
    QDir(m_home.dataFolder()).removeRecursively();
    const QString empty = dir.filePath("empty.png");
    const CliResult none = run({"screenshot", empty, "--at", kAt}, {{"LUMORA_HISAB", "off"}});
    EXPECT_EQ(none.status, 1) << none.err.toStdString();
    EXPECT_EQ(QImage(empty).size(), QSize(731, 500));
}

TEST_F(StatusCli, UsageErrorsAreOneLineOnStderr) {
    const QStringList cases[] = {
        {"status", "--json", "--waybar"},
        {"status", "--follow=yes"},
        {"status", "--at=kemarin"},
        {"status", "now"},
        {"dashboard", "--size", "731x500"},
        {"dashboard", "--at"},
        {"screenshot"},
        {"screenshot", "a.png", "b.png"},
        {"screenshot", "a.png", "--size", "731"},
        {"screenshot", "a.png", "--size=0x500"},
        {"screenshot", "a.png", "--scale", "0"},
        {"screenshot", "a.png", "--scale=abc"},
        {"screenshot", "a.png", "--scale", "9"},
        {"screenshot", "a.png", "--json"},
    };
    for (const QStringList& args : cases)
        expectUsageError(args);
    EXPECT_FALSE(QFile::exists("a.png"));
}

TEST_F(StatusCli, ValuedOptionsReadTheSameWithAnEqualsSign) {
    const std::pair<QStringList, QStringList> cases[] = {
        {{"today", "--json", "--at", kAt}, {"today", "--json", "--at=" + kAt}},
        {{"month", "bogor", "2026-03", "--source", "hisab", "--json"},
         {"month", "bogor", "2026-03", "--source=hisab", "--json"}},
        {{"status", "--at", kAt}, {"status", "--at=" + kAt}},
    };
    for (const auto& [spaced, joined] : cases) {
        SCOPED_TRACE(joined.join(' ').toStdString());
        const CliResult a = run(spaced);
        const CliResult b = run(joined);
        ASSERT_EQ(a.status, 0) << a.err.toStdString();
        EXPECT_EQ(b.status, a.status) << b.err.toStdString();
        EXPECT_EQ(b.out, a.out);
    }
}

} // namespace
} // namespace lumora::test
