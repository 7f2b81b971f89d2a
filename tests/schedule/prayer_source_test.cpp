#include "schedule/prayer_source.h"

#include "model/date_helpers.h"
#include "schedule_bodies.h"
#include "support/loopback_server.h"
#include "support/printers.h"
#include "support/temp_home.h"

#include <QDateTime>
#include <QLocale>
#include <QMap>
#include <QNetworkAccessManager>
#include <QThread>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <memory>

using namespace lumora;
using namespace lumora::test;
using namespace std::chrono_literals;

namespace {

using Reply = LoopbackServer::Reply;
using Request = LoopbackServer::Request;

const QByteArray kSwitches[] = {
    "&export=json", "&export=xml", "&format=json", "&format=xml", "&output=json", "&output=xml", ""};

Instant jakarta(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
    return *DateHelpers::fromCivil({y, mo, d, h, mi, s});
}

/// The format switch a request carried (empty for the plain page).
QByteArray switchOf(const Request& r) {
    const qsizetype month = r.target.indexOf("&month=");
    const qsizetype next = r.target.indexOf('&', month + 1);
    return next < 0 ? QByteArray() : r.target.mid(next);
}

Reply reply(int status, const QString& body) {
    Reply r;
    r.status = status;
    r.body = body.toUtf8();
    return r;
}

/// Answers `body` for one format switch and `otherwise` for the rest.
LoopbackServer::Handler only(const QByteArray& formatSwitch, Reply answer, Reply otherwise = reply(404, {})) {
    return [=](const Request& r) { return switchOf(r) == formatSwitch ? answer : otherwise; };
}

class PrayerSourceFetch : public ::testing::Test {
protected:
    PrayerMonthCache load(const QString& code, Instant month, std::chrono::milliseconds timeout = 1s,
                          std::chrono::milliseconds deadline = PrayerSource::kRequestDeadline) {
        const PrayerSource source(nam, "Lumora-Test/1.0 (Linux)", baseUrl, timeout, deadline);
        return QCoro::waitFor(source.loadMonthDetailed(code, month));
    }
    QList<QByteArray> targets() const {
        QList<QByteArray> out;
        for (const Request& r : server.requests())
            out.append(r.target);
        return out;
    }

    LoopbackServer server;
    QNetworkAccessManager nam;
    QString baseUrl = server.baseUrl().toString();
    const Instant may = jakarta(2024, 5, 15);
};

} // namespace

TEST_F(PrayerSourceFetch, TriesTheSevenAddressesInOrderWithExactlyTheTwoHeaders) {
    const PrayerMonthCache month = load("jakarta", may);
    EXPECT_EQ(month, (PrayerMonthCache{"jakarta", "2024-05", {}}));

    QList<QByteArray> expected;
    for (const QByteArray& s : kSwitches)
        expected.append("/adzan/?city=jakarta&month=2024-05" + s);
    EXPECT_EQ(targets(), expected);
    for (const Request& r : server.requests()) {
        EXPECT_EQ(r.method, "GET");
        EXPECT_EQ(r.header("User-Agent"), "Lumora-Test/1.0 (Linux)");
        EXPECT_EQ(r.header("Accept"), "text/html,application/json,application/xml;q=0.9,*/*;q=0.8");
        EXPECT_EQ(r.header("Cookie"), "");
    }
}

TEST_F(PrayerSourceFetch, StopsAtTheFirstAnswerWithDays) {
    struct Case {
        const char* what;
        LoopbackServer::Handler handler;
        qsizetype requests;
        QString firstSubuh;
    } cases[] = {
        {"a service honouring &export=json", only("&export=json", reply(200, jsonMonth("2024-05", 31))), 1,
         "04:35"},
        // The earlier answers are read and hold days of another month or none at all.
        {"a service honouring only &format=xml",
         only("&format=xml", reply(200, xmlMonth("2024-05", 31)), reply(200, jsonMonth("2024-04", 30))), 4,
         "04:35"},
        {"only the plain page",
         only("", reply(200, htmlMonthPage("2024-05", 31)), reply(200, "<html></html>")), 7, "04:11"},
        {"an error page with days",
         only("&export=json", reply(404, jsonMonth("2024-05", 2)), reply(500, "error")), 1, "04:35"},
        // Read as "04:35\uFFFD\uFFFD", which is no time: that month is refused and the next address asked.
        {"invalid UTF-8 in a time",
         only(
             "&export=json",
             [] {
                 Reply r = reply(200, jsonMonth("2024-05", 3));
                 r.body.replace("\"04:35\"", "\"04:35\xff\xfe\"");
                 return r;
             }(),
             reply(200, jsonMonth("2024-05", 3, "\"04:36\""))),
         2, "04:36"},
    };
    for (const Case& c : cases) {
        server.clearRequests();
        server.setHandler(c.handler);
        const PrayerMonthCache month = load("jakarta", may);
        EXPECT_EQ(server.requests().size(), c.requests) << c.what;
        EXPECT_EQ(month.cityCode, "jakarta") << c.what;
        EXPECT_EQ(month.month, "2024-05") << c.what;
        ASSERT_FALSE(month.days.isEmpty()) << c.what;
        EXPECT_EQ(month.days.first().date, "2024-05-01") << c.what;
        EXPECT_EQ(month.days.first().slots.first().time, c.firstSubuh) << c.what;
    }
}

TEST_F(PrayerSourceFetch, TheMonthKeyComesFromTheLocalDate) {
    struct Case {
        Instant at;
        QByteArray month;
    } cases[] = {
        {jakarta(2024, 5, 31, 23, 59, 59), "2024-05"}, // already June in some zones, still May here
        {jakarta(2024, 6, 1, 0, 0, 1), "2024-06"},     // still May in UTC
        {jakarta(2024, 12, 31, 23, 30), "2024-12"},
    };
    for (const Case& c : cases) {
        server.clearRequests();
        server.setHandler(only("&export=json", reply(200, jsonMonth(QString::fromLatin1(c.month), 1))));
        const PrayerMonthCache month = load("jakarta", c.at);
        EXPECT_EQ(month.month, c.month);
        EXPECT_EQ(month.days.size(), 1) << c.month.constData();
        EXPECT_EQ(targets(), QList<QByteArray>{"/adzan/?city=jakarta&month=" + c.month + "&export=json"});
    }
}

TEST_F(PrayerSourceFetch, UnsafeCityCodesAreNeverSent) {
    server.setHandler([](const Request&) { return reply(200, jsonMonth("2024-05", 31)); });
    for (const QString& code :
         QStringList{"jakarta&month=2024-06", "a/b", "../etc", "..", ".", "", "kota bekasi", "kota?x=1",
                     "jak#1", QString("bandung") + QChar(0x00E9)}) {
        const PrayerMonthCache month = load(code, may);
        EXPECT_EQ(month, (PrayerMonthCache{code, "2024-05", {}})) << code.toStdString();
    }
    EXPECT_EQ(targets(), QList<QByteArray>{});

    load("kota-bekasi_2.x", may);
    EXPECT_EQ(targets(), QList<QByteArray>{"/adzan/?city=kota-bekasi_2.x&month=2024-05&export=json"});
}

TEST_F(PrayerSourceFetch, NoBaseUrlMeansNoRequest) {
    server.setHandler([](const Request&) { return reply(200, jsonMonth("2024-05", 31)); });
    baseUrl.clear();
    EXPECT_EQ(load("jakarta", may), (PrayerMonthCache{"jakarta", "2024-05", {}}));
    EXPECT_EQ(targets(), QList<QByteArray>{});
}

TEST_F(PrayerSourceFetch, AnOversizedBodyFailsThatAttempt) {
    QString huge = jsonMonth("2024-05", 31, "\"04:00\"");
    huge.insert(1, QString(int(PrayerSource::kMaxBodyBytes), u' '));
    server.setHandler([&](const Request& r) {
        return switchOf(r) == "&export=json" ? reply(200, huge) : reply(200, jsonMonth("2024-05", 31));
    });
    const PrayerMonthCache month = load("jakarta", may);
    EXPECT_EQ(server.requests().size(), 2);
    ASSERT_EQ(month.days.size(), 31);
    EXPECT_EQ(month.days.first().slots.first().time, "04:35");
}

// Progress is reported at most every 100 ms, and a loopback service sends all 100 MB in less; the limit
// must be checked on the bytes themselves. What went out is at most the limit plus the sockets' buffers.
TEST_F(PrayerSourceFetch, AHugeStreamIsRefusedOnceItPassesTheLimit) {
    constexpr qint64 kHuge = 100 * 1024 * 1024;
    Reply endless;
    endless.streamBytes = kHuge;
    server.setHandler(only("&export=json", endless, reply(200, jsonMonth("2024-05", 31))));
    EXPECT_EQ(load("jakarta", may).days.size(), 31);
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_LT(server.bodyBytesSent(), PrayerSource::kMaxBodyBytes + 16 * 1024 * 1024);

    // Just at the limit is still an answer.
    QString full = jsonMonth("2024-05", 31);
    full.append(QString(int(PrayerSource::kMaxBodyBytes - full.toUtf8().size()), u' '));
    server.clearRequests();
    server.setHandler([&](const Request&) { return reply(200, full); });
    EXPECT_EQ(load("jakarta", may).days.size(), 31);
    EXPECT_EQ(server.requests().size(), 1);
}

// A service that sends a blank now and then never falls silent long enough for the time-out; the deadline
// ends each request all the same (the product's is 60 s).
TEST_F(PrayerSourceFetch, ATricklingServiceIsCutAtTheDeadline) {
    Reply trickling;
    trickling.trickleEvery = 20ms;
    server.setHandler(only("&export=json", trickling, reply(200, jsonMonth("2024-05", 31))));
    EXPECT_EQ(load("jakarta", may, 1s, 300ms).days.size(), 31);
    EXPECT_EQ(server.requests().size(), 2);
    EXPECT_GT(server.bodyBytesSent(), 0) << "the service was never silent";

    server.clearRequests();
    server.setHandler([trickling](const Request&) { return trickling; });
    EXPECT_EQ(load("jakarta", may, 1s, 150ms), (PrayerMonthCache{"jakarta", "2024-05", {}}));
    EXPECT_EQ(server.requests().size(), 7);

    // A deadline shorter than the time-out also ends a silent request.
    Reply silent;
    silent.never = true;
    server.clearRequests();
    server.setHandler(only("&export=json", silent, reply(200, jsonMonth("2024-05", 31))));
    EXPECT_EQ(load("jakarta", may, 60s, 200ms).days.size(), 31);
    EXPECT_EQ(server.requests().size(), 2);
}

// A page cut off half way still reads as a shorter month; taking it would keep a month with days missing.
TEST_F(PrayerSourceFetch, AnAnswerCutOffHalfWayFailsThatAttempt) {
    Reply cut = reply(200, htmlMonthPage("2024-05", 31));
    cut.cutAfter = cut.body.size() / 2;
    server.setHandler(only("&export=json", cut, reply(200, jsonMonth("2024-05", 31))));
    const PrayerMonthCache month = load("jakarta", may);
    EXPECT_EQ(server.requests().size(), 2);
    ASSERT_EQ(month.days.size(), 31);
    EXPECT_EQ(month.days.first().slots.first().time, "04:35");
}

// The product waits 20 s per request; a shorter time-out here shows the loop moving on after each one.
TEST_F(PrayerSourceFetch, ASilentServerRunsIntoTheTimeOut) {
    Reply silent;
    silent.never = true;
    server.setHandler(only("&export=json", silent, reply(200, jsonMonth("2024-05", 31))));
    EXPECT_EQ(load("jakarta", may, 500ms).days.size(), 31);
    EXPECT_EQ(server.requests().size(), 2);

    server.clearRequests();
    server.setHandler([silent](const Request&) { return silent; });
    EXPECT_EQ(load("jakarta", may, 150ms), (PrayerMonthCache{"jakarta", "2024-05", {}}));
    EXPECT_EQ(server.requests().size(), 7);
}

// Refused connections fail at once: with the product's 20 s time-out this finishes well inside the test
// limit.
TEST_F(PrayerSourceFetch, NoListenerGivesTheEmptyMonth) {
    QUrl closed;
    {
        LoopbackServer gone;
        closed = gone.baseUrl();
    }
    baseUrl = closed.toString();
    EXPECT_EQ(load("jakarta", may, PrayerSource::kRequestTimeout),
              (PrayerMonthCache{"jakarta", "2024-05", {}}));
}

// Qt follows 50 redirects anywhere unless told otherwise: a looping service cost 51 requests per address.
TEST_F(PrayerSourceFetch, ARedirectLoopCostsAFewRequestsPerAddress) {
    server.setHandler([](const Request& r) {
        Reply loop;
        loop.status = 302;
        loop.headers = {{"Location", r.target}};
        return loop;
    });
    EXPECT_EQ(load("jakarta", may), (PrayerMonthCache{"jakarta", "2024-05", {}}));
    QMap<QByteArray, int> perAddress;
    for (const Request& r : server.requests())
        ++perAddress[r.target];
    EXPECT_EQ(perAddress.size(), 7);
    for (auto it = perAddress.cbegin(); it != perAddress.cend(); ++it)
        EXPECT_LE(it.value(), 6) << it.key().constData();
}

// 64 MiB of blanks are 64 KiB on the wire; decoded, they pass the limit, and the next address is asked
// (why the attempt failed is the HTTP client's test).
TEST_F(PrayerSourceFetch, ACompressedBombFailsThatAttempt) {
    Reply bomb;
    bomb.body = LoopbackServer::gzipBlanks(64 * 1024 * 1024);
    bomb.headers = {{"Content-Encoding", "gzip"}};
    server.setHandler(only("&export=json", bomb, reply(200, jsonMonth("2024-05", 31))));
    EXPECT_EQ(load("jakarta", may, 2s).days.size(), 31);
    EXPECT_EQ(server.requests().size(), 2);
}

namespace {

/// One source kept across loads, as the app keeps it, with a short cap on the service's wait.
class PrayerSourceWait : public PrayerSourceFetch {
protected:
    MonthLoad loadAgain() { return QCoro::waitFor(source.loadMonth("jakarta", may)); }
    static Reply busy(int status, QByteArray retryAfter) {
        Reply r = reply(status, "<h1>Busy</h1>");
        if (!retryAfter.isNull()) r.headers = {{"Retry-After", retryAfter}};
        return r;
    }

    static constexpr auto kCap = 400ms;
    PrayerSource source{nam, "Lumora-Test/1.0 (Linux)", baseUrl, 1s, PrayerSource::kRequestDeadline, kCap};
};

} // namespace

// A 429 or 503 is the service's answer for all seven addresses: asking the others at once is what it asked
// us not to do.
TEST_F(PrayerSourceWait, TooManyRequestsEndsTheLoadAndItsWaitHoldsTheNext) {
    const QByteArray inAnHour = QLocale::c()
                                    .toString(QDateTime::currentDateTimeUtc().addSecs(3600),
                                              QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"))
                                    .toLatin1() +
                                " GMT";
    struct Case {
        const char* what;
        Reply answer;
        bool waits; // the next load, made at once, sends nothing
    } cases[] = {
        {"429 with seconds", busy(429, "120"), true},
        {"503 with seconds", busy(503, "3600"), true},
        {"429 with a date", busy(429, inAnHour), true},
        {"429 without a wait", busy(429, QByteArray()), false},
        {"503 with a wait of 0", busy(503, "0"), false},
        {"429 with an unreadable wait", busy(429, "later"), false},
    };
    for (const Case& c : cases) {
        PrayerSource fresh{nam, "Lumora-Test/1.0 (Linux)", baseUrl, 1s, PrayerSource::kRequestDeadline, kCap};
        server.clearRequests();
        server.setHandler([&c](const Request&) { return c.answer; });
        const MonthLoad first = QCoro::waitFor(fresh.loadMonth("jakarta", may));
        EXPECT_EQ(first.outcome, MonthLoadOutcome::serviceAsksToWait) << c.what;
        EXPECT_TRUE(first.month.days.isEmpty()) << c.what;
        EXPECT_EQ(server.requests().size(), 1) << c.what;

        server.clearRequests();
        const MonthLoad second = QCoro::waitFor(fresh.loadMonth("jakarta", may));
        EXPECT_EQ(second.outcome, MonthLoadOutcome::serviceAsksToWait) << c.what;
        EXPECT_EQ(server.requests().size(), c.waits ? 0 : 1) << c.what;
    }
}

// However long the service asks for, the wait ends at the cap; then the service is asked again, and a good
// answer is taken.
TEST_F(PrayerSourceWait, TheWaitEndsAtTheCap) {
    server.setHandler([](const Request&) { return busy(429, "86400"); });
    EXPECT_EQ(loadAgain().outcome, MonthLoadOutcome::serviceAsksToWait);
    server.clearRequests();
    server.setHandler([](const Request&) { return reply(200, jsonMonth("2024-05", 31)); });
    EXPECT_EQ(loadAgain().outcome, MonthLoadOutcome::serviceAsksToWait);
    EXPECT_TRUE(server.requests().isEmpty()) << "inside the wait";

    QThread::msleep(static_cast<unsigned long>((kCap + 100ms).count()));
    const MonthLoad after = loadAgain();
    EXPECT_EQ(after.outcome, MonthLoadOutcome::found);
    EXPECT_EQ(after.month.days.size(), 31);
    EXPECT_EQ(server.requests().size(), 1);
}

// An error page that holds days is as good as any, a busy one included.
TEST_F(PrayerSourceWait, ABusyAnswerWithDaysIsTaken) {
    Reply withDays = reply(503, jsonMonth("2024-05", 31));
    withDays.headers = {{"Retry-After", "120"}};
    server.setHandler([withDays](const Request&) { return withDays; });
    const MonthLoad load = loadAgain();
    EXPECT_EQ(load.outcome, MonthLoadOutcome::found);
    EXPECT_EQ(load.month.days.size(), 31);
    EXPECT_EQ(server.requests().size(), 1);
}
