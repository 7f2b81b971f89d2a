#include "model/prayer_schedule.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include "support/printers.h"
#include "support/sample_days.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace lumora;

namespace {

PrayerDay sampleDay(const QString& date = "2026-03-07") {
    return test::sampleDay(date, "Jakarta");
}

Result<PrayerDay> decodeDay(const char* json) {
    return PrayerDay::fromJson(json::parse(json).toOptional().value_or(QJsonValue()));
}

} // namespace

TEST(PrayerName, RawValues) {
    const char* raws[] = {"subuh", "syuruq", "dhuha", "dhuhur", "ashar", "maghrib", "isya"};
    for (std::size_t i = 0; i < kAllPrayerNames.size(); ++i) {
        EXPECT_EQ(rawValue(kAllPrayerNames[i]), raws[i]);
        EXPECT_EQ(prayerNameFromRaw(raws[i]), kAllPrayerNames[i]);
    }
    for (const char* bad : {"dzuhur", "Subuh", " subuh", "terbit", "isyak", ""})
        EXPECT_EQ(prayerNameFromRaw(bad), std::nullopt) << bad;
    EXPECT_EQ(displayName(PrayerName::dhuha), "DHUHA / ISYROQ");
}

TEST(PrayerScheduleJson, RoundTrips) {
    const PrayerMonthCache month{"jkt", "2026-03", {sampleDay("2026-03-07"), sampleDay("2026-03-08")}};
    const auto back = PrayerMonthCache::fromJsonBytes(json::compact(month.toJson()));
    ASSERT_TRUE(back) << back.error().toStdString();
    EXPECT_EQ(*back, month);
    EXPECT_EQ(qHash(*back), qHash(month));

    const auto empty = PrayerMonthCache::fromJsonBytes(R"({"cityCode":"jkt","month":"2026-03","days":[]})");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->days.isEmpty());
}

// A time that does not occur is an empty text with its reason; the reason is written only then, and a
// reader that knows no reason (an older widget) still reads the day.
TEST(PrayerScheduleJson, ATimeThatDoesNotOccurIsEmptyWithItsReason) {
    PrayerDay day = sampleDay();
    day.slots.last() = PrayerSlot{PrayerName::isya, "", "Matahari tidak turun sampai 18° di bawah ufuk"};
    const QJsonObject slotJson = day.toJson()["slots"].toArray().last().toObject();
    EXPECT_EQ(slotJson, (QJsonObject{{"name", "isya"}, {"time", ""}, {"reason", day.slots.last().reason}}));
    EXPECT_EQ(day.toJson()["slots"].toArray().first().toObject().keys(), (QStringList{"name", "time"}));
    const auto back = PrayerDay::fromJson(day.toJson());
    ASSERT_TRUE(back) << back.error().toStdString();
    EXPECT_EQ(*back, day);

    EXPECT_EQ(PrayerSlot{}.shownTime(), "--:--");
    EXPECT_EQ((PrayerSlot{PrayerName::subuh, "04:38"}.shownTime()), "04:38");
    const auto oddReason = decodeDay(
        R"({"cityCode":"x","cityName":"X","date":"2026-03-07","slots":[{"name":"isya","time":"","reason":7}]})");
    ASSERT_TRUE(oddReason);
    EXPECT_EQ(oddReason->slots.first().reason, QString()) << "a reason of another type is dropped";
}

TEST(PrayerScheduleJson, DecodingRules) {
    struct Case {
        const char* json;
        bool ok;
    } cases[] = {
        {R"({"cityCode":"jkt","cityName":"Jakarta","date":"2026-03-07","slots":[]})", true},
        {R"({"cityCode":"jkt","cityName":"Jakarta","date":"2026-03-07","slots":[],"extra":1})", true},
        {R"({"cityCode":"jkt","cityName":"Jakarta","date":"2026-03-07","slots":[{"name":"subuh","time":"04:38","x":0}]})",
         true},
        {R"({"cityCode":"jkt","cityName":"Jakarta","date":"2026-03-07","slots":[{"name":"Subuh","time":"04:38"}]})",
         false},
        {R"({"cityCode":"jkt","cityName":"Jakarta","date":"2026-03-07","slots":[{"name":"subuh"}]})", false},
        {R"({"cityCode":"jkt","cityName":"Jakarta","date":"2026-03-07","slots":[{"name":"subuh","time":438}]})",
         false},
        {R"({"cityCode":"jkt","cityName":"Jakarta","slots":[]})", false},
        {R"({"cityCode":"jkt","cityName":"Jakarta","date":null,"slots":[]})", false},
        {R"({"cityCode":"jkt","cityName":"Jakarta","date":"2026-03-07","slots":{}})", false},
        {R"([])", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<bool>(decodeDay(c.json)), c.ok) << c.json;
}

TEST(PrayerScheduleJson, EqualityAndHashCoverEveryField) {
    const PrayerDay base = sampleDay();
    PrayerDay otherTime = base;
    otherTime.slots[0].time = "04:39";
    PrayerDay otherOrder = base;
    std::swap(otherOrder.slots[0], otherOrder.slots[1]);
    PrayerDay otherName = base;
    otherName.cityName = "JAKARTA";
    PrayerDay otherReason = base;
    otherReason.slots[0].reason = "Matahari tidak terbit";
    for (const PrayerDay& d : {otherTime, otherOrder, otherName, otherReason}) {
        EXPECT_NE(d, base);
        EXPECT_NE(qHash(d), qHash(base));
    }
    EXPECT_EQ(findDay({sampleDay("2026-03-06"), base}, "2026-03-07"), base);
    EXPECT_EQ(findDay({base}, "2026-3-7"), std::nullopt);
}

// Stored instants (savedAt, dateTime) are JSON numbers of seconds since 2001 and must come back bit for bit.
TEST(PrayerScheduleJson, InstantsRoundTripExactly) {
    const double values[] = {794530200.0,
                             794530200.123456789,
                             0.1,
                             -978307200.5,
                             1e-9,
                             3.0e10 / 7.0,
                             SystemClock::instance().now().seconds};
    for (double v : values) {
        const QByteArray bytes = json::compact(QJsonObject{{"savedAt", Instant{v}.seconds}});
        const auto back = json::parse(bytes);
        ASSERT_TRUE(back);
        const auto number = json::requiredNumber(back->toObject(), "savedAt");
        ASSERT_TRUE(number);
        EXPECT_EQ(std::memcmp(&*number, &v, sizeof v), 0) << bytes.toStdString();
    }
}
