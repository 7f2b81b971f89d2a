// The lumora-widget program end to end, on the fixture snapshot in data/.
#include "widget_fixtures.h"

#include "support/printers.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lumora;

namespace {

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Outcome runWidget(const QStringList& args) {
    QProcess p;
    p.start(LUMORA_WIDGET_BINARY, args);
    if (!p.waitForFinished(30000)) return {};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

const QString kFixture = QStringLiteral(LUMORA_WIDGET_FIXTURE);

} // namespace

TEST(LumoraWidgetCli, TimelineJsonIsTheHourOfEntries) {
    test::TempHome home;
    for (const QStringList& args :
         {QStringList{"timeline", "--json", "--at", "2026-01-01T11:50:30", "--snapshot", kFixture},
          QStringList{"timeline", "--at=2026-01-01T11:50:30", "--snapshot=" + kFixture, "--json"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Outcome r = runWidget(args);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
        const QJsonArray entries = doc["entries"].toArray();
        ASSERT_EQ(entries.size(), 61);
        const QJsonObject first = entries[0].toObject();
        EXPECT_EQ(first["date"].toDouble(), test::at("2026-01-01T11:50:30").seconds);
        EXPECT_EQ(first["local"].toString(), "2026-01-01T11:50:30");
        EXPECT_EQ(first["city"].toString(), "KOTA JAKARTA");
        EXPECT_EQ(first["title"].toString(), "DHUHUR");
        EXPECT_EQ(first["time"].toString(), "12:00");
        EXPECT_EQ(first["status"].toString(), "-10 menit");
        EXPECT_EQ(first["statusOpacity"].toDouble(), 1);
        // The rest on whole minutes: the adzan's at its own minute, not in the one before.
        EXPECT_EQ(entries[1].toObject()["local"].toString(), "2026-01-01T11:51:00");
        EXPECT_EQ(entries[9].toObject()["status"].toString(), "-1 menit");
        EXPECT_EQ(entries[10].toObject()["status"].toString(), "SAATNYA ADZAN");
        EXPECT_EQ(entries[60].toObject()["local"].toString(), "2026-01-01T12:50:00");
        EXPECT_EQ(doc["reloadAt"].toDouble(), test::at("2026-01-01T12:51:00").seconds);
        EXPECT_EQ(doc["reloadLocal"].toString(), "2026-01-01T12:51:00");
    }
}

TEST(LumoraWidgetCli, WithoutASnapshotOptionReadsTheAppsFile) {
    test::TempHome home;
    const Outcome before = runWidget({"timeline", "--json", "--at", "2026-01-01T10:00:31"});
    ASSERT_EQ(before.status, 0) << before.err.toStdString();
    const QJsonObject fallback = QJsonDocument::fromJson(before.out).object()["entries"][0].toObject();
    EXPECT_EQ(fallback["city"].toString(), "JAKARTA");
    EXPECT_EQ(fallback["title"].toString(), "SUBUH");
    EXPECT_EQ(fallback["time"].toString(), "--:--");
    EXPECT_EQ(fallback["status"].toString(), "Memuat jadwal...");
    EXPECT_EQ(fallback["statusOpacity"].toDouble(), 1);

    ASSERT_TRUE(WidgetSnapshotStore::write(home.dataFolder(), test::widgetSnapshot("Bekasi")));
    const Outcome after = runWidget({"timeline", "--at", "2026-01-01T10:00:31"});
    ASSERT_EQ(after.status, 0) << after.err.toStdString();
    EXPECT_TRUE(after.out.startsWith("2026-01-01T10:00:31  BEKASI  DHUHUR  12:00  -2 jam 0 menit\n"))
        << after.out.toStdString();
    EXPECT_TRUE(after.out.endsWith("reload 2026-01-01T11:01:00\n"));
}

TEST(LumoraWidgetCli, ASnapshotThatIsNotOursShowsTheFallback) {
    test::TempHome home;
    QDir().mkpath(home.dataFolder());
    const QString big = home.path() + "/big.json";
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(4) * 1024 * 1024 * 1024)); // sparse
    }
    const QString pipe = home.path() + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString appsFile = WidgetSnapshotStore::path(home.dataFolder());
    for (const QString& target : {QStringLiteral("/dev/zero"), big, pipe}) {
        SCOPED_TRACE(target.toStdString());
        QFile::remove(appsFile);
        ASSERT_TRUE(QFile::link(target, appsFile));
        for (const QStringList& args : {QStringList{"timeline", "--json", "--at", "2026-01-01T10:00:31"},
                                        QStringList{"timeline", "--json", "--snapshot", target}}) {
            const Outcome r = runWidget(args);
            ASSERT_EQ(r.status, 0) << r.err.toStdString();
            const QJsonObject first = QJsonDocument::fromJson(r.out).object()["entries"][0].toObject();
            EXPECT_EQ(first["status"].toString(), "Memuat jadwal...");
        }
    }
}

TEST(LumoraWidgetCli, RenderWritesTheEntryAsAPicture) {
    test::TempHome home;
    struct Case {
        QStringList options;
        QSize size;
    } cases[] = {
        {{"--at", "2026-01-01T11:59:30"}, {170, 170}},
        {{"--at=2026-01-01T11:59:30", "--family=medium", "--scale=2"}, {728, 340}},
        {{"--family", "small", "--scale", "2", "--at", "2026-01-01T11:59:30"}, {340, 340}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.join(' ').toStdString());
        const QString png = home.path() + "/widget.png";
        const Outcome r = runWidget(QStringList{"render", png, "--snapshot", kFixture} + c.options);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QImage image(png);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), c.size);
        QFile::remove(png);
    }
}

// Errors read as lumora's do: one Indonesian line on stderr, what the user typed escaped.
TEST(LumoraWidgetCli, RefusesWhatItDoesNotUnderstand) {
    test::TempHome home;
    const QString png = home.path() + "/a.png";
    const struct {
        QStringList args;
        QString message;
    } cases[] = {
        {{"timeline", "--at", "besok"}, "waktu tidak valid: besok (contoh: 2026-03-07T05:50:00)"},
        {{"timeline", "--at"}, "--at memerlukan nilai"},
        {{"timeline", "--family", "small"}, "--family tidak berlaku di sini"},
        {{"timeline", "extra"}, "argumen tidak dikenal: extra"},
        {{"render"}, "render memerlukan tepat satu berkas keluaran (FILE.png)"},
        {{"render", png, "--family", "large"}, "ukuran tidak dikenal: large (small atau medium)"},
        {{"render", png, "--scale", "0"}, "skala tidak valid: 0 (angka di atas 0 sampai 8)"},
        {{"render", png, "--json"}, "--json tidak berlaku di sini"},
        {{"bogus\x1b"}, "perintah tidak dikenal: bogus\\x1b (lihat: lumora-widget --help)"},
        {{"--verbose"}, "pilihan tidak dikenal: --verbose (lihat: lumora-widget --help)"},
        {{"--at", "2026-01-01T10:00:00"}, "--at tidak berlaku di sini"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome r = runWidget(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, QByteArray());
        // Qt's own start-up notes (a missing XDG_RUNTIME_DIR here) may come before; ours is the last line.
        const QStringList lines = QString::fromUtf8(r.err).split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(lines.filter("lumora-widget: ").size(), 1) << r.err.toStdString();
        EXPECT_EQ(lines.value(lines.size() - 1), "lumora-widget: " + c.message);
    }
    const Outcome unwritable = runWidget({"render", home.path() + "/no/such/folder/a.png"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains("\nlumora-widget: tidak dapat menulis ") ||
                unwritable.err.startsWith("lumora-widget: tidak dapat menulis "))
        << unwritable.err.toStdString();
}

TEST(LumoraWidgetCli, VersionAndHelpAreIndonesianAndNameTheVersion) {
    const Outcome version = runWidget({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "lumora-widget " LUMORA_VERSION "\n");
    for (const char* flag : {"--help", "-h", "help"}) {
        SCOPED_TRACE(flag);
        const Outcome help = runWidget({flag});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.out.startsWith("lumora-widget " LUMORA_VERSION ": ")) << help.out.toStdString();
        for (const char* part : {"Pemakaian: lumora-widget", "WAKTU adalah waktu setempat", "--version"})
            EXPECT_TRUE(help.out.contains(part)) << part;
        EXPECT_FALSE(help.out.contains("usage")) << help.out.toStdString();
    }
}
