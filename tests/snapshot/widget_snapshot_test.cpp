#include "model/date_helpers.h"
#include "snapshot/widget_snapshot.h"

#include "support/printers.h"
#include "support/sample_days.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lumora;

namespace {

PrayerDay day(const QString& date) {
    return test::sampleDay(date, "KOTA JAKARTA");
}

// 1 January 2026 00:00 UTC.
constexpr Instant kNewYear{788918400};

WidgetSnapshot snapshot(std::optional<PrayerDay> today, std::optional<PrayerDay> tomorrow) {
    return WidgetSnapshot{
        "Jakarta", "jkt", std::move(today), std::move(tomorrow), "Fallback Jakarta dipakai", kNewYear + 0.25};
}

bool writeRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

TEST(WidgetSnapshot, RoundTripsThroughTheFile) {
    struct Case {
        const char* what;
        WidgetSnapshot s;
    } cases[] = {
        {"both days", snapshot(day("2026-01-01"), day("2026-01-02"))},
        {"today only", snapshot(day("2026-01-01"), std::nullopt)},
        {"no days", snapshot(std::nullopt, std::nullopt)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempHome home;
        QDir().mkpath(home.dataFolder());
        ASSERT_TRUE(WidgetSnapshotStore::write(home.dataFolder(), c.s));
        EXPECT_EQ(WidgetSnapshotStore::path(home.dataFolder()), home.dataFolder() + "/widget-snapshot.json");
        EXPECT_EQ(WidgetSnapshotStore::read(home.dataFolder(), Instant{0}), c.s);

        QFile f(WidgetSnapshotStore::path(home.dataFolder()));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
        EXPECT_EQ(o.keys(), (QStringList{"cityCode", "cityName", "savedAt", "statusText"} +
                             (c.s.todayDay ? QStringList{"todayDay"} : QStringList{}) +
                             (c.s.tomorrowDay ? QStringList{"tomorrowDay"} : QStringList{})))
            << "absent days are left out, never written as null";
        EXPECT_TRUE(o.value("savedAt").isDouble());
        EXPECT_EQ(o.value("savedAt").toDouble(), 788918400.25);
    }
}

TEST(WidgetSnapshot, ReadingFallsBackOnAnythingThatDoesNotDecode) {
    const QByteArray todayJson = QJsonDocument(day("2026-01-01").toJson()).toJson(QJsonDocument::Compact);
    const Instant now = kNewYear + 3600;
    struct Case {
        const char* what;
        QByteArray file;
        std::optional<WidgetSnapshot> expected; // none: the fallback snapshot
    } cases[] = {
        {"null days read as absent",
         R"({"cityName":"Jakarta","cityCode":"jkt","todayDay":null,"tomorrowDay":null,"statusText":"s","savedAt":5})",
         WidgetSnapshot{"Jakarta", "jkt", std::nullopt, std::nullopt, "s", Instant{5}}},
        {"unknown keys are ignored",
         R"({"cityName":"Jakarta","cityCode":"jkt","todayDay":)" + todayJson +
             R"(,"statusText":"s","savedAt":5,"extra":[1]})",
         WidgetSnapshot{"Jakarta", "jkt", day("2026-01-01"), std::nullopt, "s", Instant{5}}},
        {"savedAt as a date string",
         R"({"cityName":"Jakarta","cityCode":"jkt","statusText":"s","savedAt":"2026-01-01T00:00:00Z"})",
         std::nullopt},
        {"missing statusText", R"({"cityName":"Jakarta","cityCode":"jkt","savedAt":5})", std::nullopt},
        {"unknown prayer name in a day",
         R"({"cityName":"J","cityCode":"jkt","statusText":"s","savedAt":5,"todayDay":{"cityCode":"jkt",)"
         R"("cityName":"J","date":"2026-01-01","slots":[{"name":"tahajud","time":"03:00"}]}})",
         std::nullopt},
        {"truncated file", R"({"cityName":"Jakarta","cityCode":"jkt","stat)", std::nullopt},
        {"empty file", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempHome home;
        QDir().mkpath(home.dataFolder());
        ASSERT_TRUE(writeRaw(WidgetSnapshotStore::path(home.dataFolder()), c.file));
        EXPECT_EQ(WidgetSnapshotStore::read(home.dataFolder(), now),
                  c.expected.value_or(WidgetSnapshot::fallback(now)));
    }
}

TEST(WidgetSnapshot, FilesThatAreNotOursGiveTheFallbackAtOnce) {
    test::TempHome home;
    QDir().mkpath(home.dataFolder());
    const QString path = WidgetSnapshotStore::path(home.dataFolder());
    const QString pipe = home.path() + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString big = home.path() + "/big.json";
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(WidgetSnapshotStore::kMaxBytes + 1));
    }
    const Instant now = kNewYear + 60;
    for (const QString& target : {pipe, QStringLiteral("/dev/zero"), big, home.path()}) {
        SCOPED_TRACE(target.toStdString());
        QFile::remove(path);
        ASSERT_TRUE(QFile::link(target, path));
        EXPECT_EQ(WidgetSnapshotStore::read(home.dataFolder(), now), WidgetSnapshot::fallback(now));
    }
}

TEST(WidgetSnapshot, WritingReplacesALinkAndNeverItsTarget) {
    test::TempHome home;
    QDir().mkpath(home.dataFolder());
    const QString outside = home.path() + "/outside.txt";
    ASSERT_TRUE(writeRaw(outside, "keep me"));
    const QString path = WidgetSnapshotStore::path(home.dataFolder());
    ASSERT_TRUE(QFile::link(outside, path));
    const WidgetSnapshot s{"Jakarta", "jkt", day("2026-01-01"), std::nullopt, "s", Instant{5}};
    ASSERT_TRUE(WidgetSnapshotStore::write(home.dataFolder(), s));
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(WidgetSnapshotStore::read(home.dataFolder(), kNewYear), s);
    QFile f(outside);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "keep me");
}

TEST(WidgetSnapshot, MissingFileGivesTheFallback) {
    test::TempHome home;
    QDir().mkpath(home.dataFolder());
    const Instant now = kNewYear + 60;
    const WidgetSnapshot s = WidgetSnapshotStore::read(home.dataFolder(), now);
    EXPECT_EQ(s, (WidgetSnapshot{"JAKARTA", "jkt", std::nullopt, std::nullopt, "Memuat jadwal...", now}));
}

TEST(WidgetSnapshot, ANonFiniteInstantIsNotWrittenAndTheOldFileStays) {
    test::TempHome home;
    QDir().mkpath(home.dataFolder());
    const WidgetSnapshot good = snapshot(day("2026-01-01"), std::nullopt);
    ASSERT_TRUE(WidgetSnapshotStore::write(home.dataFolder(), good));
    WidgetSnapshot bad = good;
    bad.savedAt = Instant{std::numeric_limits<double>::quiet_NaN()};
    EXPECT_FALSE(WidgetSnapshotStore::write(home.dataFolder(), bad));
    EXPECT_EQ(WidgetSnapshotStore::read(home.dataFolder(), Instant{0}), good);
}

// The widget host reads while the app replaces the file; it must only ever see one whole version.
TEST(WidgetSnapshot, AReaderInAnotherProcessNeverSeesAPartialFile) {
    test::TempHome home;
    QDir().mkpath(home.dataFolder());
    // Versions of different lengths, so a torn read cannot pass for either.
    const WidgetSnapshot a = snapshot(day("2026-01-01"), day("2026-01-02"));
    const WidgetSnapshot b = snapshot(std::nullopt, std::nullopt);
    const QString versionA = home.path() + "/a.json", versionB = home.path() + "/b.json";
    ASSERT_TRUE(writeRaw(versionA, *a.toJsonBytes()));
    ASSERT_TRUE(writeRaw(versionB, *b.toJsonBytes()));
    const QString stop = home.path() + "/stop";
    ASSERT_TRUE(WidgetSnapshotStore::write(home.dataFolder(), a));

    QProcess reader;
    reader.start(LUMORA_SNAPSHOT_READER,
                 {WidgetSnapshotStore::path(home.dataFolder()), versionA, versionB, stop});
    ASSERT_TRUE(reader.waitForReadyRead(30000)) << reader.errorString().toStdString();
    ASSERT_EQ(reader.readLine().trimmed(), "ready");

    int writes = 0;
    for (; writes < 20000 && reader.state() != QProcess::NotRunning; ++writes) {
        ASSERT_TRUE(WidgetSnapshotStore::write(home.dataFolder(), writes % 2 ? a : b));
        reader.waitForFinished(0);
    }
    writeRaw(stop, "");
    if (reader.state() != QProcess::NotRunning) {
        ASSERT_TRUE(reader.waitForFinished(30000));
    }
    ASSERT_EQ(reader.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(reader.exitCode(), 0);
    const QString report = QString::fromLatin1(reader.readAllStandardOutput()).trimmed();
    const auto m = QRegularExpression(R"(reads=(\d+) other=(\d+) changes=(\d+))").match(report);
    ASSERT_TRUE(m.hasMatch()) << report.toStdString();
    EXPECT_EQ(m.captured(2).toInt(), 0) << report.toStdString();
    // Otherwise the reads never overlapped the writes and the test proved nothing.
    EXPECT_GE(m.captured(3).toInt(), 10) << report.toStdString() << " after " << writes << " writes";
}
