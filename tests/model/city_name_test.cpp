#include "model/city_name.h"

#include <gtest/gtest.h>

using namespace lumora;

namespace {

QStringList codes(const QList<CityEntry>& entries) {
    QStringList list;
    for (const auto& e : entries)
        list.append(e.code);
    return list;
}

CityEntry city(const char* code, const char* name, std::optional<double> lat, std::optional<double> lon,
               QStringList aliases = {}) {
    return CityEntry{code, name, lat, lon, std::move(aliases)};
}

} // namespace

TEST(CityName, BuiltInCitiesAsListed) {
    const auto table = builtInCities();
    EXPECT_EQ(codes(table),
              (QStringList{"jkt", "bks", "dpk", "bgr", "tgr", "bdg", "cma", "slo", "ykg", "smg", "sby",
                           "mlg", "dps", "bpp", "smd", "mks", "mdn", "pku", "plg", "btm", "bna"}));
    EXPECT_EQ(table.first(),
              city("jkt", "Jakarta", -6.2088, 106.8456,
                   {"jakarta pusat", "jakarta selatan", "jakarta barat", "jakarta timur", "jakarta utara"}));
    EXPECT_EQ(table[7], city("slo", "Surakarta", -7.5666, 110.8167, {"solo", "kota surakarta"}));
    EXPECT_EQ(table.last(), city("bna", "Banda Aceh", 5.5483, 95.3238, {"kota banda aceh"}));
    for (const auto& entry : table)
        EXPECT_TRUE(entry.lat && entry.lon) << entry.code.toStdString();
}

TEST(CityName, Normalize) {
    const std::pair<QString, QString> cases[] = {
        {"Kab. Bogor", "bogor"},
        {"Kabupaten Bogor", "bogor"},
        {"KOTA BOGOR", "bogor"},
        {"Kabupaten\t\n Bogor", "bogor"},
        {"Jakarta Selatan, DKI", "jakarta selatan dki"},
        {" Kota Bogor", "kota bogor"},               // the prefix counts only at the very start
        {"Kota Kabupaten Bogor", "kabupaten bogor"}, // one prefix is removed, not two
        {"Kab.Bogor", "kab bogor"},                  // "kab." needs the space after it
        {"Kotabaru", "kotabaru"},
        {"Kota Bekasi & Sekitarnya", "bekasi sekitarnya"},
        {QString::fromUtf8("Pangkalan Bun Barât"), "pangkalan bun bar t"}, // diacritics are not folded
        {QString::fromUtf8("\u212AOTA BOGOR"), "bogor"},     // Kelvin sign lower-cases to a plain k
        {QString::fromUtf8("\u0130NDONESIA"), "i ndonesia"}, // full lower-casing: i and a combining dot
        {QString::fromUtf8("KOTA\u00A0BOGOR"), "bogor"},     // no-break space is white space
        {"", ""},
        {"  ,.;!  ", ""},
        {"Tanjung_Pinang-2", "tanjung pinang 2"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(normalizeCityName(in), out) << in.toStdString();
}

TEST(CityName, ExactMatchWantsTheWholeName) {
    const QList<CityEntry> list{
        city("slo", "Surakarta", std::nullopt, std::nullopt, {"solo"}),
        city("bgr", "Bogor", std::nullopt, std::nullopt),
        city("kbgr", "Kabupaten Bogor", std::nullopt, std::nullopt),
    };
    const std::pair<const char*, const char*> cases[] = {
        {"slo", "slo"},
        {"SOLO", "slo"},
        {"Kota Surakarta", "slo"},
        {"Kab. Bogor", "bgr"},         // the prefix goes, so the earlier "Bogor" wins
        {"surakarta barat", "(none)"}, // holding a name is not enough
        {"", "(none)"},
        {" ,. ", "(none)"},
        {"atlantis", "(none)"},
    };
    for (const auto& [query, code] : cases) {
        const auto found = exactCityMatch(list, query);
        EXPECT_EQ(found ? found->code : QStringLiteral("(none)"), code) << query;
    }
}
