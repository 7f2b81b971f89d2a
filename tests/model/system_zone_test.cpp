// The zone TZ sets, read as the C library reads it, so that the app's times agree with every other program's.
#include "model/date_helpers.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <unicode/timezone.h>

#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <mutex>

using namespace lumora;

namespace {

// Mid-January and mid-July 2026, 12:00 UTC: one in each half of a daylight-saving year.
constexpr std::time_t kWinter = 1768478400;
constexpr std::time_t kSummer = 1784116800;

// TZ set for one scope, with the C library told; the old value comes back afterwards.
class ScopedTz {
public:
    explicit ScopedTz(const QByteArray& value) : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ")) {
        qputenv("TZ", value);
        ::tzset();
    }
    ~ScopedTz() {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        ::tzset();
    }
    ScopedTz(const ScopedTz&) = delete;
    ScopedTz& operator=(const ScopedTz&) = delete;

private:
    bool m_had;
    QByteArray m_old;
};

int icuOffsetSeconds(const icu::TimeZone& zone, std::time_t at) {
    int32_t raw = 0, dst = 0;
    UErrorCode status = U_ZERO_ERROR;
    zone.getOffset(static_cast<UDate>(at) * 1000.0, false, raw, dst, status);
    EXPECT_TRUE(U_SUCCESS(status));
    return (raw + dst) / 1000;
}

int libcOffsetSeconds(std::time_t at) {
    std::tm local{};
    ::localtime_r(&at, &local);
    return static_cast<int>(local.tm_gmtoff);
}

QString idOf(const icu::TimeZone& zone) {
    icu::UnicodeString id;
    zone.getID(id);
    return QString(reinterpret_cast<const QChar*>(id.getBuffer()), id.length());
}

// Collects this library's warnings while it lives.
class WarningLog {
public:
    WarningLog() {
        s_lines.clear();
        m_previous = qInstallMessageHandler(&WarningLog::handle);
    }
    ~WarningLog() { qInstallMessageHandler(m_previous); }
    static QList<QString> lines() {
        std::lock_guard lock(s_mutex);
        return s_lines;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type != QtWarningMsg || QByteArray(context.category) != "lumora.model") return;
        std::lock_guard lock(s_mutex);
        s_lines.append(text);
    }
    static inline std::mutex s_mutex;
    static inline QList<QString> s_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace

TEST(SystemZone, ReadsTzAsTheCLibraryDoesAndSaysOnceWhatItCannotRead) {
    const struct Case {
        const char* tz;
        const char* id;
        // Minutes east of Greenwich.
        int winter;
        int summer;
        bool warns;
        // Whether the C library reads the same offsets (it follows rules ICU cannot express).
        bool likeLibc = true;
    } cases[] = {
        {"Asia/Jayapura", "Asia/Jayapura", 9 * 60, 9 * 60, false},
        {":Asia/Makassar", "Asia/Makassar", 8 * 60, 8 * 60, false},
        {"/usr/share/zoneinfo/Asia/Jakarta", "Asia/Jakarta", 7 * 60, 7 * 60, false},
        {"America/New_York", "America/New_York", -5 * 60, -4 * 60, false},
        {"UTC", "UTC", 0, 0, false},
        {"", "UTC", 0, 0, false},
        // POSIX rules: hours west of Greenwich, names quoted or plain.
        {"<+14>-14", "<+14>-14", 14 * 60, 14 * 60, false},
        {"WIT-9", "WIT-9", 9 * 60, 9 * 60, false},
        {"GMT+7", "GMT+7", -7 * 60, -7 * 60, false},
        {"<+0530>-5:30", "<+0530>-5:30", 5 * 60 + 30, 5 * 60 + 30, false},
        {"<-03>3<-02>,M3.2.0,M11.1.0", "<-03>3<-02>,M3.2.0,M11.1.0", -3 * 60, -2 * 60, false},
        {"AAA-10BBB,M10.1.0,M4.1.0/3", "AAA-10BBB,M10.1.0,M4.1.0/3", 11 * 60, 10 * 60, false},
        {"CCC-1DDD,J60,J300/1:30", "CCC-1DDD,J60,J300/1:30", 1 * 60, 2 * 60, false},
        // What neither the zone database nor POSIX reads is UTC, as for the C library, and said.
        {"Foo/Bar", "UTC", 0, 0, true},
        {"garbage", "UTC", 0, 0, true},
        // The C library keeps the part before the junk; a value this broken is better said than guessed at.
        {"<+14>-14 and more", "UTC", 0, 0, true, false},
        {"\x1b[31mred", "UTC", 0, 0, true},
        // A rule ICU cannot follow keeps standard time.
        {"EEE-2FFF,M3.5.0/26,M10.5.0/27", "EEE-2FFF,M3.5.0/26,M10.5.0/27", 2 * 60, 2 * 60, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tz);
        const ScopedTz tz(c.tz);
        const WarningLog log;
        const std::unique_ptr<icu::TimeZone> zone = DateHelpers::systemZone();
        ASSERT_TRUE(zone);
        EXPECT_EQ(idOf(*zone), QString::fromLatin1(c.id));
        EXPECT_EQ(icuOffsetSeconds(*zone, kWinter), c.winter * 60);
        EXPECT_EQ(icuOffsetSeconds(*zone, kSummer), c.summer * 60);
        if (c.likeLibc) {
            EXPECT_EQ(icuOffsetSeconds(*zone, kWinter), libcOffsetSeconds(kWinter));
            EXPECT_EQ(icuOffsetSeconds(*zone, kSummer), libcOffsetSeconds(kSummer));
        }
        // Looked up again, as a system zone change does: still one line.
        DateHelpers::systemZone();
        const QList<QString> lines = WarningLog::lines();
        EXPECT_EQ(lines.size(), c.warns ? 1 : 0) << lines.join(u'\n').toStdString();
        if (c.warns && !lines.isEmpty()) EXPECT_FALSE(lines.first().contains(QChar(0x1b))) << "escaped";
    }
}

TEST(SystemZone, ALongTzIsRefusedWithoutBeingEchoedWhole) {
    const QByteArray huge = "<+14>-14" + QByteArray(100'000, 'x');
    const ScopedTz tz(huge);
    const WarningLog log;
    const std::unique_ptr<icu::TimeZone> zone = DateHelpers::systemZone();
    EXPECT_EQ(idOf(*zone), "UTC");
    ASSERT_EQ(WarningLog::lines().size(), 1);
    EXPECT_LT(WarningLog::lines().first().size(), 300);
}

// Run with the zone CTest gives the whole program (see CMakeLists.txt): the shared helpers follow TZ.
TEST(ProcessZone, AgreesWithTheCLibrary) {
    const icu::TimeZone& zone = DateHelpers::zone();
    EXPECT_EQ(icuOffsetSeconds(zone, kWinter), libcOffsetSeconds(kWinter)) << DateHelpers::zoneId().toStdString();
    EXPECT_EQ(icuOffsetSeconds(zone, kSummer), libcOffsetSeconds(kSummer)) << DateHelpers::zoneId().toStdString();
    if (const QByteArray expected = qgetenv("LUMORA_TEST_ZONE_ID"); !expected.isEmpty())
        EXPECT_EQ(DateHelpers::zoneId(), QString::fromUtf8(expected));
}
