#include "core/schedule_chain.h"

#include "model/date_helpers.h"

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace lumora;

namespace {

PrayerMonthCache monthOf(const QString& code, int days) {
    PrayerMonthCache m{code, "2026-03", {}};
    for (int d = 1; d <= days; ++d)
        m.days.append(PrayerDay{
            code, code, QString("2026-03-%1").arg(d, 2, 10, QChar('0')), {{PrayerName::subuh, "04:35"}}});
    return m;
}

/// A source with a fixed answer, given at once or only later, that records what it was asked and kept.
struct FakeSource : ScheduleSource {
    struct Log {
        int asked = 0;
        QList<PrayerMonthCache> kept;
    };

    FakeSource(QString name, Kind kind, int days, bool atOnce = true,
               MonthLoadOutcome failure = MonthLoadOutcome::noDays)
        : m_name(std::move(name)),
          m_kind(kind), m_answer{monthOf(m_name, days), days ? MonthLoadOutcome::found : failure},
          m_atOnce(atOnce), log(std::make_shared<Log>()) {}

    Kind kind() const override { return m_kind; }
    QString name() const override { return m_name; }
    std::optional<SourcedMonth> monthNow(const MonthRequest&) override {
        if (!m_atOnce) return std::nullopt;
        ++log->asked;
        return m_answer;
    }
    QCoro::Task<SourcedMonth> month(MonthRequest request) override {
        if (m_atOnce) co_return *monthNow(request);
        ++log->asked;
        co_return m_answer;
    }
    void keep(const PrayerMonthCache& month) override { log->kept.append(month); }

    QString m_name;
    Kind m_kind;
    SourcedMonth m_answer;
    bool m_atOnce;
    std::shared_ptr<Log> log;
};

using Kind = ScheduleSource::Kind;

struct Built {
    ScheduleChain chain;
    QList<std::shared_ptr<FakeSource::Log>> logs;
};

Built chainOf(const std::vector<FakeSource>& sources) {
    Built built;
    for (const FakeSource& s : sources) {
        built.logs.append(s.log);
        built.chain.append(std::make_unique<FakeSource>(s));
    }
    return built;
}

/// A day in March 2026, for Jakarta.
MonthRequest march() {
    return {CityEntry{"jkt", "Jakarta", std::nullopt, std::nullopt, {}},
            *DateHelpers::makeDate("2026-03-07", "12:00"), std::nullopt};
}

} // namespace

TEST(ScheduleChain, TheFirstMonthWithDaysEndsTheWalkAndEachAttemptIsKept) {
    struct Case {
        const char* what;
        std::vector<FakeSource> sources;
        QString monthFrom; // whose month comes back; "jkt": the empty month for the request
        int days;
        QStringList asked;
        QList<MonthLoadOutcome> outcomes;
    };
    const Case cases[] = {
        {"the first answers",
         {{"a", Kind::saved, 31}, {"b", Kind::published, 31}},
         "a",
         31,
         {"a"},
         {MonthLoadOutcome::found}},
        {"the first is empty, the second answers",
         {{"a", Kind::saved, 0}, {"b", Kind::published, 30, false}},
         "b",
         30,
         {"a", "b"},
         {MonthLoadOutcome::noDays, MonthLoadOutcome::found}},
        {"all are empty: the last one asked gives the month",
         {{"a", Kind::saved, 0}, {"b", Kind::published, 0, false}, {"c", Kind::computed, 0}},
         "c",
         0,
         {"a", "b", "c"},
         {MonthLoadOutcome::noDays, MonthLoadOutcome::noDays, MonthLoadOutcome::noDays}},
        {"a source that fails is passed by",
         {{"a", Kind::published, 0, false, MonthLoadOutcome::noNetwork}, {"b", Kind::computed, 31}},
         "b",
         31,
         {"a", "b"},
         {MonthLoadOutcome::noNetwork, MonthLoadOutcome::found}},
        {"no source at all", {}, "jkt", 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Built built = chainOf(c.sources);
        const ChainMonth got = QCoro::waitFor(built.chain.month(march()));
        EXPECT_EQ(got.month.cityCode, c.monthFrom);
        EXPECT_EQ(got.month.month, "2026-03");
        EXPECT_EQ(got.month.days.size(), c.days);
        QStringList asked;
        QList<MonthLoadOutcome> outcomes;
        for (const ChainMonth::Attempt& a : got.attempts) {
            asked << a.source;
            outcomes << a.outcome;
        }
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(outcomes, c.outcomes);
        EXPECT_EQ(got.outcome(), c.outcomes.size() ? c.outcomes.back() : MonthLoadOutcome::noDays);
        int askedTimes = 0;
        for (const auto& log : built.logs)
            askedTimes += log->asked;
        EXPECT_EQ(askedTimes, static_cast<int>(c.asked.size()))
            << "no source is asked twice, none after the answer";
    }
}

TEST(ScheduleChain, OnlyAPublishedMonthWithDaysIsOfferedToTheSourcesAskedBeforeIt) {
    {
        Built built = chainOf(
            {{"files", Kind::saved, 0}, {"service", Kind::published, 31, false}, {"later", Kind::saved, 0}});
        const ChainMonth got = QCoro::waitFor(built.chain.month(march()));
        ASSERT_EQ(built.logs[0]->kept.size(), 1);
        EXPECT_EQ(built.logs[0]->kept.first(), got.month);
        EXPECT_TRUE(built.logs[1]->kept.isEmpty());
        EXPECT_TRUE(built.logs[2]->kept.isEmpty()) << "not asked, so offered nothing";
    }
    const std::vector<FakeSource> nothingKept[] = {
        {{"files", Kind::saved, 0}, {"hisab", Kind::computed, 31}},            // computed: never saved
        {{"files", Kind::saved, 0}, {"service", Kind::published, 0, false}},   // no days
        {{"files", Kind::saved, 31}, {"service", Kind::published, 31, false}}, // the file answered
    };
    for (const auto& sources : nothingKept) {
        Built built = chainOf(sources);
        QCoro::waitFor(built.chain.month(march()));
        EXPECT_TRUE(built.logs[0]->kept.isEmpty()) << built.logs[0]->asked;
    }
}

TEST(ScheduleChain, KindsChooseTheSourcesAndAWalkWithoutWaitingPassesOverTheService) {
    struct Case {
        MonthSource choice;
        QString monthFrom;
    };
    const Case cases[] = {
        {MonthSource::automatic, "service"},
        {MonthSource::cache, "files"},
        {MonthSource::service, "service"},
        {MonthSource::hisab, "hisab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(monthSourceName(c.choice).toStdString());
        Built built = chainOf({{"files", Kind::saved, 0},
                               {"service", Kind::published, 31, false},
                               {"hisab", Kind::computed, 30}});
        EXPECT_EQ(QCoro::waitFor(built.chain.month(march(), SourceKinds::chosenBy(c.choice))).month.cityCode,
                  c.monthFrom);
    }

    Built built = chainOf(
        {{"files", Kind::saved, 0}, {"service", Kind::published, 31, false}, {"hisab", Kind::computed, 30}});
    const ChainMonth now = built.chain.monthNow(march());
    EXPECT_EQ(now.month.cityCode, "hisab");
    EXPECT_EQ(now.attempts.size(), 2);
    EXPECT_EQ(built.logs[1]->asked, 0);
    EXPECT_TRUE(built.chain.offers(Kind::computed));
    EXPECT_FALSE(chainOf({{"files", Kind::saved, 0}}).chain.offers(Kind::computed));
}

TEST(MonthSource, EachChoiceHasOneNameReadExactly) {
    for (MonthSource s :
         {MonthSource::automatic, MonthSource::cache, MonthSource::service, MonthSource::hisab})
        EXPECT_EQ(parseMonthSource(monthSourceName(s)), s);
    EXPECT_EQ(monthSourceName(MonthSource::automatic), "auto");
    for (const char* bad : {"", "internet", "Auto", "automatic", " hisab"})
        EXPECT_EQ(parseMonthSource(QString::fromLatin1(bad)), std::nullopt) << bad;
    EXPECT_EQ(monthSourceNames(), "auto, cache, service atau hisab");
}
