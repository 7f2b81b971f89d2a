#include "schedule/prayer_source.h"

#include "schedule_bodies.h"
#include "support/printers.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace lumora;
using namespace lumora::test;

namespace {

const QString kMonth = "2024-05";

/// Each day as "date subuh", in result order: enough to see which rows were kept, their order and the time
/// read.
QStringList summary(const PrayerMonthCache& month) {
    QStringList out;
    for (const PrayerDay& day : month.days)
        out.append(day.date + ' ' + day.slots.value(0).time);
    return out;
}

struct ParseCase {
    const char* what;
    QString body;
    QStringList days;
    bool fails = false;
};

void expectCases(const std::vector<ParseCase>& cases) {
    for (const ParseCase& c : cases) {
        const auto result = PrayerSource::parse(c.body, "jakarta", kMonth);
        if (c.fails) {
            EXPECT_FALSE(result) << c.what;
            continue;
        }
        ASSERT_TRUE(result) << c.what << ": " << result.error().toStdString();
        EXPECT_EQ(result->cityCode, "jakarta") << c.what;
        EXPECT_EQ(result->month, kMonth) << c.what;
        EXPECT_EQ(summary(*result), c.days) << c.what;
    }
}

} // namespace

TEST(PrayerSourceParse, ChoosesTheReaderFromTheFirstCharacter) {
    expectCases({
        {"white space and [] is an empty JSON array", " \n\t[] \n", {}},
        {"white space only goes to the table reader", " \n\t \r\n", {}},
        {"empty body", "", {}},
        {"malformed JSON array fails", "  [" + jsonRecord("2024-05-01"), {}, true},
        {"malformed JSON object fails", "{\"data\": [", {}, true},
        {"JSON after white space", "\n  [" + jsonRecord("2024-05-01") + "]", {"2024-05-01 04:35"}},
        {"text before the table goes to the table reader",
         "Jadwal Mei\n<table>" + htmlDayRow("2024-05-01") + "</table>",
         {"2024-05-01 04:35"}},
        {"a lone tag is no failure any more", "<", {}},
    });
}

TEST(PrayerSourceParse, JsonArrayTakesObjectsAsTheyStand) {
    expectCases({
        {"array of arrays", "[[" + jsonRecord("2024-05-01") + "]]", {}},
        {"objects holding the list are not searched", "[{\"data\":[" + jsonRecord("2024-05-01") + "]}]", {}},
        {"non-objects are skipped",
         "[1, \"x\", null, [], " + jsonRecord("2024-05-02") + "]",
         {"2024-05-02 04:35"}},
        {"a null time is missing", "[" + jsonRecord("2024-05-01", "null") + "]", {}},
        {"integer time", "[" + jsonRecord("2024-05-01", "435") + "]", {"2024-05-01 435"}},
        {"fractional time", "[" + jsonRecord("2024-05-01", "4.35") + "]", {"2024-05-01 4.35"}},
        {"boolean time", "[" + jsonRecord("2024-05-01", "true") + "]", {"2024-05-01 true"}},
        {"capitalised date key is not a date",
         R"([{"Tanggal":"2024-05-01","subuh":"04:35","terbit":"05:50","dzuhur":"11:52","ashar":"15:13","maghrib":"17:46","isya":"18:58"}])",
         {}},
        {"capitalised time key is read",
         R"([{"tanggal":"2024-05-01","Subuh":"04:35","terbit":"05:50","dzuhur":"11:52","ashar":"15:13","maghrib":"17:46","isya":"18:58"}])",
         {"2024-05-01 04:35"}},
    });
}

TEST(PrayerSourceParse, JsonObjectIsSearchedAtAnyDepth) {
    const QString nested =
        QStringLiteral(R"({"status":true,"data":{"jadwal":[%1,{"more":[%2]}]},)"
                       R"("meta":{"deep":{"deeper":%3}}})")
            .arg(jsonRecord("2024-05-03"), jsonRecord("2024-05-01"), jsonRecord("2024-05-02"));
    expectCases({
        {"records in arrays and objects",
         nested,
         {"2024-05-01 04:35", "2024-05-02 04:35", "2024-05-03 04:35"}},
        {"the document itself is a record", jsonRecord("2024-05-04"), {"2024-05-04 04:35"}},
        {"a record's own members are searched too",
         "{\"data\":[" +
             jsonRecord("2024-05-05", "\"04:35\"", ",\"besok\":" + jsonRecord("2024-05-06", "\"04:36\"")) +
             "]}",
         {"2024-05-05 04:35", "2024-05-06 04:36"}},
        {"a null time is the text null",
         "{\"data\":[" + jsonRecord("2024-05-01", "null") + "]}",
         {"2024-05-01 null"}},
        {"number time", "{\"data\":[" + jsonRecord("2024-05-01", "4") + "]}", {"2024-05-01 4"}},
        {"capitalised date key passes the row test but is not a date",
         R"({"data":[{"Tanggal":"2024-05-01","subuh":"04:35","terbit":"05:50","dzuhur":"11:52","ashar":"15:13","maghrib":"17:46","isya":"18:58"}]})",
         {}},
        {"capitalised time key is read",
         R"({"data":[{"date":"2024-05-01","Subuh":"04:35","Terbit":"05:50","Dhuhr":"11:52","Asr":"15:13","Maghrib":"17:46","Isyak":"18:58"}]})",
         {"2024-05-01 04:35"}},
        {"a record without a prayer key is not a row",
         R"({"data":[{"date":"2024-05-01","imsak":"04:25"}]})",
         {}},
    });
}

TEST(PrayerSourceParse, XmlRowsComeFromLeafElements) {
    expectCases({
        {"records under a root",
         "<jadwal>" + xmlRecord("2024-05-02") + xmlRecord("2024-05-01") + "</jadwal>",
         {"2024-05-01 04:35", "2024-05-02 04:35"}},
        {"element names are lower-cased",
         "<jadwal><Hari><Tanggal>2024-05-01</Tanggal><SUBUH>04:35</SUBUH><Terbit>05:50</"
         "Terbit><Dzuhur>11:52</Dzuhur>"
         "<Ashar>15:13</Ashar><Maghrib>17:46</Maghrib><Isya>18:58</Isya></Hari></jadwal>",
         {"2024-05-01 04:35"}},
        {"a date in an attribute is not read",
         "<jadwal><day "
         "tanggal=\"2024-05-01\"><subuh>04:35</subuh><terbit>05:50</terbit><dzuhur>11:52</dzuhur>"
         "<ashar>15:13</ashar><maghrib>17:46</maghrib><isya>18:58</isya></day></jadwal>",
         {}},
        {"a nested record is its own row and comes first",
         "<jadwal><day><tanggal>2024-05-01</tanggal><subuh>04:35</subuh><terbit>05:50</terbit><dzuhur>11:52</"
         "dzuhur>"
         "<ashar>15:13</ashar><maghrib>17:46</maghrib><isya>18:58</isya>" +
             xmlRecord("2024-05-01", "04:36", "koreksi") + "</day></jadwal>",
         {"2024-05-01 04:36", "2024-05-01 04:35"}},
        {"a later sibling replaces an earlier one",
         "<jadwal>" + xmlRecord("2024-05-01", "04:00</subuh><subuh> 04:35:00 ") + "</jadwal>",
         {"2024-05-01 04:35"}},
        {"comments, CDATA and surrounding text",
         "<?xml version=\"1.0\"?>\n<!-- jadwal -->\n<jadwal>\n  " +
             xmlRecord("2024-05-01", "<![CDATA[04:35 WIB]]>") + " teks\n</jadwal>",
         {"2024-05-01 04:35 WIB"}},
        {"markup faults are repaired",
         "<jadwal>" + xmlRecord("2024-05-01", "04:35").chopped(6),
         {"2024-05-01 04:35"}},
        {"an empty time element leaves the time missing",
         "<jadwal>" + xmlRecord("2024-05-01", "  ") + "</jadwal>",
         {}},
    });
}

TEST(PrayerSourceParse, HtmlTableRowsAndCells) {
    const auto table = [](const QString& rows) { return "Jadwal\n<table>\n" + rows + "</table>"; };
    expectCases({
        {"header rows and day-first dates are skipped",
         table("<tr><th>Tanggal</th><th>Hari</th><th>Subuh</th><th>Terbit</th><th>Dzuhur</th><th>Ashar</th>"
               "<th>Maghrib</th><th>Isya</th></tr>" +
               htmlDayRow("05-01-2024") + htmlDayRow("2024-05-02")),
         {"2024-05-02 04:35"}},
        {"seven cells are too few",
         table(htmlRow({"2024-05-01", "Rabu", "04:35", "05:50", "11:52", "15:13", "17:46"})),
         {}},
        {"a ninth cell is ignored",
         table(htmlRow({"2024-05-01", "Rabu", "04:35", "05:50", "11:52", "15:13", "17:46", "18:58", "x"})),
         {"2024-05-01 04:35"}},
        {"nbsp and amp", table(htmlDayRow("2024-05-01", "04:35&nbsp;&amp;")), {"2024-05-01 04:35 &"}},
        {"other entities stay", table(htmlDayRow("2024-05-01", "04:35&lt;")), {"2024-05-01 04:35&lt;"}},
        {"bold tags", table(htmlDayRow("2024-05-01", "<b>04:35</b>")), {"2024-05-01 04:35"}},
        {"an empty cell is an empty time", table(htmlDayRow("2024-05-01", "")), {"2024-05-01 "}},
        {"seconds are dropped", table(htmlDayRow("2024-05-01", "04:35:00")), {"2024-05-01 04:35"}},
        {"a zone word stays", table(htmlDayRow("2024-05-01", "04:35 WIB")), {"2024-05-01 04:35 WIB"}},
        {"a full stop stays", table(htmlDayRow("2024-05-01", "04.35")), {"2024-05-01 04.35"}},
        {"upper-case tags, attributes and line breaks",
         "Jadwal<TABLE><TR class=\"x\">\n<TD>2024-05-01</TD><TD>Rabu</TD><TD align=\"center\">\n 04:35\n</TD>"
         "<TD>05:50</TD><TD>11:52</TD><TD>15:13</TD><TD>17:46</TD><TD>18:58</TD></TR></TABLE>",
         {"2024-05-01 04:35"}},
    });
}

TEST(PrayerSourceParse, DaysAreSortedStablyAndKeptToTheMonth) {
    expectCases({
        {"same date twice, in found order",
         "[" + jsonRecord("2024-05-02") + "," + jsonRecord("2024-05-01", "\"04:30\"") + "," +
             jsonRecord("2024-05-01", "\"04:31\"") + "]",
         {"2024-05-01 04:30", "2024-05-01 04:31", "2024-05-02 04:35"}},
        {"other months are dropped",
         "[" + jsonRecord("2024-04-30") + "," + jsonRecord("2024-05-31") + "," + jsonRecord("2024-06-01") +
             "]",
         {"2024-05-31 04:35"}},
        {"the previous month's record passes the row test but is dropped",
         "{\"data\":[" + jsonRecord("2024-04-30") + "]}",
         {}},
        {"an impossible date is dropped", "[" + jsonRecord("2024-05-32") + "]", {}},
    });
}

// A real page starts with a doctype; as XML its table cells flatten into nothing, so it must still be read as
// a table.
TEST(PrayerSourceParse, FullHtmlPageIsReadAsATable) {
    const QString page = htmlMonthPage(kMonth, 31);
    const auto asXml = PrayerSource::parseXML(page, "jakarta", kMonth);
    EXPECT_TRUE(!asXml || asXml->days.isEmpty());

    const auto result = PrayerSource::parse(page, "jakarta", kMonth);
    ASSERT_TRUE(result) << result.error().toStdString();
    ASSERT_EQ(result->days.size(), 31);
    const PrayerDay& first = result->days.first();
    EXPECT_EQ(first, (PrayerDay{"jakarta",
                                "jakarta",
                                "2024-05-01",
                                {{PrayerName::subuh, "04:11"},
                                 {PrayerName::syuruq, "05:50"},
                                 {PrayerName::dhuhur, "11:52"},
                                 {PrayerName::ashar, "15:13"},
                                 {PrayerName::maghrib, "17:46"},
                                 {PrayerName::isya, "18:58"}}}));
    EXPECT_EQ(result->days.last().date, "2024-05-31");

    // The same page as well-formed XHTML takes the same way.
    const QString xhtml = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><table>" +
                          htmlDayRow("2024-05-01") + "</table></body></html>";
    EXPECT_EQ(summary(*PrayerSource::parse(xhtml, "jakarta", kMonth)), QStringList{"2024-05-01 04:35"});
}

TEST(PrayerSourceParse, XmlEntitiesAreNeitherLoadedNorExpanded) {
    const QString external = "<?xml version=\"1.0\"?>\n<!DOCTYPE jadwal [<!ENTITY secret SYSTEM "
                             "\"file:///etc/hostname\">]>\n<jadwal>" +
                             xmlRecord("2024-05-01", "&secret;") + "</jadwal>";
    QString laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE jadwal [<!ENTITY l0 \"ha\">";
    for (int i = 1; i <= 9; ++i)
        laughs += QStringLiteral("<!ENTITY l%1 \"&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;\">")
                      .arg(i)
                      .arg(i - 1);
    laughs += "]>\n<jadwal>" + xmlRecord("2024-05-01", "&l9;") + "</jadwal>";
    for (const QString& body : {external, laughs}) {
        const auto result = PrayerSource::parse(body, "jakarta", kMonth);
        ASSERT_TRUE(result);
        EXPECT_TRUE(result->days.isEmpty()) << summary(*result).join(';').left(200).toStdString();
    }
}

TEST(PrayerSourceRows, DayFromARow) {
    const PrayerRow full{{"tanggal", "2024-05-01"}, {"subuh", "04:35"}, {"terbit", "05:50"},
                         {"dzuhur", "11:52"},       {"ashar", "15:13"}, {"maghrib", "17:46"},
                         {"isya", "18:58"}};
    const auto day = toPrayerDay(full, "bdg", kMonth);
    ASSERT_TRUE(day);
    EXPECT_EQ(day->cityCode, "bdg");
    EXPECT_EQ(day->cityName, "bdg");
    QStringList names;
    for (const PrayerSlot& slot : day->slots)
        names.append(rawValue(slot.name) + '=' + slot.time);
    EXPECT_EQ(names.join(' '), "subuh=04:35 syuruq=05:50 dhuhur=11:52 ashar=15:13 maghrib=17:46 isya=18:58");

    const auto with = [&full](std::initializer_list<std::pair<QString, QString>> changes,
                              QStringList removed = {}) {
        PrayerRow row = full;
        for (const QString& key : removed)
            row.remove(key);
        for (const auto& [key, value] : changes)
            row.insert(key, value);
        return row;
    };
    struct Case {
        const char* what;
        PrayerRow row;
        QString expected; ///< date and the six times, or empty for no day
    } cases[] = {
        {"alternative keys",
         with({{"syuruq", "05:51"}, {"dhuhr", "11:53"}, {"asr", "15:14"}, {"isyak", "18:59"}},
              {"terbit", "dzuhur", "ashar", "isya"}),
         "2024-05-01 04:35 05:51 11:53 15:14 17:46 18:59"},
        {"the first key wins",
         with({{"syuruq", "05:51"}, {"dhuhr", "11:53"}, {"asr", "15:14"}, {"isyak", "18:59"}}),
         "2024-05-01 04:35 05:50 11:52 15:13 17:46 18:58"},
        {"prayer_date before tanggal", with({{"prayer_date", "2024-05-02"}}),
         "2024-05-02 04:35 05:50 11:52 15:13 17:46 18:58"},
        {"an unreadable first date key is not passed over", with({{"prayer_date", "2 Mei"}}), ""},
        {"day", with({{"day", "2024-05-03"}}, {"tanggal"}), "2024-05-03 04:35 05:50 11:52 15:13 17:46 18:58"},
        {"no date key", with({{"Date", "2024-05-03"}}, {"tanggal"}), ""},
        {"a missing time", with({}, {"maghrib"}), ""},
        {"another month", with({{"tanggal", "2024-06-01"}}), ""},
        {"a day-first date", with({{"tanggal", "01-05-2024"}}), ""},
    };
    for (const Case& c : cases) {
        const auto got = toPrayerDay(c.row, "bdg", kMonth);
        QString text;
        if (got) {
            text = got->date;
            for (const PrayerSlot& slot : got->slots)
                text += ' ' + slot.time;
        }
        EXPECT_EQ(text, c.expected) << c.what;
    }
}

TEST(PrayerSourceRows, TimeText) {
    struct Case {
        QString value;
        QString expected;
    } cases[] = {
        {"04:35", "04:35"},
        {" 04:35:00 \n", "04:35"},
        {"04:35 WIB", "04:35 WIB"},
        {"04.35", "04.35"},
        {"", ""},
        {"  ", ""},
        {":04::35:", "04:35"},
        {"04:", "04:"},
        {"4:5", "4:5"},
        {":", ":"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parsePrayerTime({{"Subuh", c.value}}, "subuh"), c.expected) << c.value.toStdString();
    EXPECT_EQ(parsePrayerTime({{"subuh", "04:35"}}, "isya"), std::nullopt);
}

TEST(PrayerSourceRows, JsonValuesAsText) {
    struct Case {
        const char* json;
        const char* expected;
    } cases[] = {
        {"5", "5"},
        {"5.0", "5"},
        {"-12", "-12"},
        {"0.1", "0.1"},
        {"4.35", "4.35"},
        {"1e300", "1e+300"},
        {"-0.000125", "-0.000125"},
        {"9007199254740993", "9007199254740993"},
        {"1e20", "1e+20"},
        {"true", "true"},
        {"false", "false"},
        {"null", "null"},
        {"\"04:35\"", "04:35"},
        {"[1, \"a\", null]", "[1,\"a\",null]"},
        {"{ \"b\": {\"c\": [] } }", "{\"b\":{\"c\":[]}}"},
    };
    for (const Case& c : cases) {
        const QJsonValue value = QJsonDocument::fromJson(QByteArray("[") + c.json + "]").array().at(0);
        EXPECT_EQ(PrayerSource::jsonText(value), c.expected) << c.json;
    }
}
