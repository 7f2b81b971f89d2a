#include "places/cached_month_envelope.h"
#include "places/data_store.h"

#include "model/date_helpers.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lumora;

namespace {

constexpr double kDay = 86400;

PrayerMonthCache month(const QString& code, const QString& key, const QString& subuh) {
    return PrayerMonthCache{code,
                            key,
                            {PrayerDay{code,
                                       code,
                                       key + "-07",
                                       {{PrayerName::subuh, subuh},
                                        {PrayerName::syuruq, "05:50"},
                                        {PrayerName::dhuhur, "12:01"},
                                        {PrayerName::ashar, "15:12"},
                                        {PrayerName::maghrib, "18:08"},
                                        {PrayerName::isya, "19:17"}}}}};
}

class MonthFiles : public ::testing::Test {
protected:
    test::TempHome home;
    ManualClock clock{*DateHelpers::makeDate("2026-03-07", "12:00")};
    DataStore store{home.dataFolder(), Settings(home.path() + "/lumora.conf"), clock};
    const QString path = home.dataFolder() + "/month-jkt-2026-03.json";

    void writeRaw(const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void writeEnvelope(Instant savedAt, const PrayerMonthCache& m) {
        writeRaw(json::compact(CachedMonthEnvelope{savedAt, m}.toJson()));
    }
    void setModified(Instant t) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(t.unixMillis())),
                                  QFileDevice::FileModificationTime));
    }
};

} // namespace

TEST_F(MonthFiles, SaveWritesAnEnvelopeStampedNowAndReadsBack) {
    const PrayerMonthCache m = month("jkt", "2026-03", "04:38");
    store.saveMonth(m);
    const auto envelope = CachedMonthEnvelope::fromJson(*json::parse(*storage::readFile(path)));
    ASSERT_TRUE(envelope);
    EXPECT_EQ(envelope->savedAt, clock.now());
    EXPECT_EQ(envelope->cache, m);
    EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), m);
}

TEST_F(MonthFiles, FreshnessOfEnvelopes) {
    struct Case {
        const char* name;
        double age;
        bool fresh;
    } cases[] = {
        {"six days", 6 * kDay, true},
        {"exactly seven days", 604800, true},
        {"one second over", 604801, false},
        {"eight days", 8 * kDay, false},
        {"saved in the future", -3 * kDay, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PrayerMonthCache m = month("jkt", "2026-03", "04:38");
        writeEnvelope(clock.now() - c.age, m);
        EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), c.fresh ? std::optional(m) : std::nullopt);
        // A stale file stays until a new month replaces it, and reads as what it is.
        EXPECT_TRUE(QFile::exists(path));
        const auto saved = store.savedMonth("jkt", "2026-03");
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->cache, m);
        EXPECT_EQ(saved->fresh, c.fresh);
    }
}

TEST_F(MonthFiles, OlderBareFormIsJudgedByModificationTime) {
    const PrayerMonthCache m = month("jkt", "2026-03", "04:38");
    const QByteArray bare = json::compact(m.toJson());

    writeRaw(bare);
    setModified(clock.now() - 2 * kDay);
    EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), m);
    EXPECT_EQ(storage::readFile(path), bare) << "a bare file is used as is, never rewritten";

    setModified(clock.now() - 8 * kDay);
    EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), std::nullopt);
    EXPECT_EQ(store.savedMonth("jkt", "2026-03")->fresh, false);
    EXPECT_EQ(storage::readFile(path), bare) << "kept, stale, as it is";
}

TEST_F(MonthFiles, CorruptFileIsDeletedAndAShippedMonthTakesItsPlace) {
    QTemporaryDir resources;
    DataStore store{home.dataFolder(), Settings(home.path() + "/lumora.conf"), clock,
                    ResourceLocator({resources.path()})};

    writeRaw("{\"savedAt\": 1, \"cache\": {\"cityCode\": 7}}");
    EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), std::nullopt);
    EXPECT_FALSE(QFile::exists(path));

    const PrayerMonthCache shipped = month("jkt", "2026-03", "04:30");
    QFile r(resources.path() + "/month-jkt-2026-03.json");
    ASSERT_TRUE(r.open(QIODevice::WriteOnly));
    r.write(json::compact(shipped.toJson()));
    r.close();

    // A missing file never leads to the shipped months.
    EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), std::nullopt);
    EXPECT_FALSE(QFile::exists(path));

    writeRaw("not json at all");
    EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), shipped);
    const auto envelope = CachedMonthEnvelope::fromJson(*json::parse(*storage::readFile(path)));
    ASSERT_TRUE(envelope) << "the shipped month is saved with an envelope";
    EXPECT_EQ(envelope->savedAt, clock.now());
}

TEST_F(MonthFiles, UnsafeCodesNeverNameAFile) {
    for (const char* code : {"../evil", "a/b", "..", ".", "", "jkt&x=1", "kota bogor"}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(store.monthPath(code, "2026-03"), std::nullopt);
        store.saveMonth(month(code, "2026-03", "04:38"));
        EXPECT_EQ(store.cachedMonth(code, "2026-03"), std::nullopt);
    }
    EXPECT_EQ(QDir(home.dataFolder()).entryList(QDir::Files), QStringList());
    EXPECT_EQ(QDir(home.path() + "/.local/share").entryList(QDir::Files), QStringList());
    EXPECT_EQ(store.monthPath("kab-bogor_2.x", "2026-03"),
              home.dataFolder() + "/month-kab-bogor_2.x-2026-03.json");
}

TEST_F(MonthFiles, AFileHoldingTimesThatAreNoScheduleIsDeleted) {
    for (const char* subuh : {"99:99", "ab:cd", "", "06:00"}) {
        SCOPED_TRACE(subuh);
        writeEnvelope(clock.now() - kDay, month("jkt", "2026-03", subuh));
        EXPECT_EQ(store.savedMonth("jkt", "2026-03"), std::nullopt);
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_FALSE(store.saveMonth(month("jkt", "2026-03", subuh))) << "nor is such a month saved";
        EXPECT_FALSE(QFile::exists(path));
    }
}

TEST_F(MonthFiles, FilesThatAreNotOursReadAsAbsent) {
    const QString catalogue = home.dataFolder() + "/city-catalog.json";
    const QString big = home.path() + "/big.json";
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(files::maxBytes(files::Kind::catalogue) + 1)); // sparse: costs no disk
    }
    const QString pipe = home.path() + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    struct Case {
        const char* name;
        QString target;
    } cases[] = {{"a pipe", pipe}, {"/dev/zero", "/dev/zero"}, {"an oversized file", big}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path);
        QFile::remove(catalogue);
        ASSERT_TRUE(QFile::link(c.target, path));
        ASSERT_TRUE(QFile::link(c.target, catalogue));
        // Each read returns at once (a pipe without a writer would block a plain open for ever).
        EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), std::nullopt);
        EXPECT_EQ(store.loadCatalog(), std::nullopt);
    }
}

TEST_F(MonthFiles, WritesReplaceLinksAndNeverTheirTargets) {
    QTemporaryDir outside;
    const QString target = outside.filePath("important");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    const QString catalogue = home.dataFolder() + "/city-catalog.json";
    ASSERT_TRUE(QFile::link(target, catalogue));
    store.saveCatalog({CityEntry{"jkt", "DKI Jakarta", -6.2, 106.8, {}}});
    EXPECT_FALSE(QFileInfo(catalogue).isSymLink());
    EXPECT_EQ(store.loadCatalog()->size(), 1);

    ASSERT_TRUE(QFile::link(outside.filePath("month-made-elsewhere.json"), path)); // dangling
    ASSERT_TRUE(store.saveMonth(month("jkt", "2026-03", "04:38")));
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(store.cachedMonth("jkt", "2026-03"), month("jkt", "2026-03", "04:38"));

    EXPECT_EQ(storage::readFile(target), "keep me");
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::Files), QStringList{"important"});
}

TEST_F(MonthFiles, TheDataFolderIsOwnerOnly) {
    const QString folder = home.path() + "/fresh/lumora";
    DataStore fresh{folder, Settings(home.path() + "/lumora.conf"), clock};
    EXPECT_EQ(QFileInfo(folder).permissions().toInt() & 0x0077, 0);
}
