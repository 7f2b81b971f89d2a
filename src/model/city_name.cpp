#include "city_name.h"

#include "model/icu_text.h"

#include <QRegularExpression>

#include <unicode/locid.h>

namespace lumora {

namespace {

// \s in these patterns means any Unicode white space, as in the names the service writes.
constexpr auto kUnicode = QRegularExpression::UseUnicodePropertiesOption;

QString lowerCased(const QString& s) {
    icu::UnicodeString u = toIcu(s);
    u.toLower(icu::Locale::getRoot());
    return fromIcu(u);
}

CityEntry jakartaRow() {
    CityEntry jakarta = fallbackJakarta();
    jakarta.aliases = jakartaDistricts();
    return jakarta;
}

CityEntry row(const char* code, const char* name, double lat, double lon, QStringList aliases) {
    return CityEntry{QString::fromUtf8(code), QString::fromUtf8(name), lat, lon, std::move(aliases)};
}

} // namespace

QString normalizeCityName(const QString& s) {
    static const QRegularExpression kabupaten(QStringLiteral("^kabupaten\\s+"), kUnicode);
    static const QRegularExpression kab(QStringLiteral("^kab\\.\\s+"), kUnicode);
    static const QRegularExpression kota(QStringLiteral("^kota\\s+"), kUnicode);
    static const QRegularExpression other(QStringLiteral("[^a-z0-9 ]"));
    static const QRegularExpression space(QStringLiteral("\\s+"), kUnicode);

    QString t = lowerCased(s);
    t.remove(kabupaten);
    t.remove(kab);
    t.remove(kota);
    t.replace(other, QStringLiteral(" "));
    t.replace(space, QStringLiteral(" "));
    return t.trimmed();
}

std::optional<CityEntry> exactCityMatch(const QList<CityEntry>& list, const QString& query) {
    const QString q = normalizeCityName(query);
    if (q.isEmpty()) return std::nullopt;
    for (const CityEntry& entry : list) {
        if (normalizeCityName(entry.code) == q || normalizeCityName(entry.name) == q) return entry;
        for (const QString& alias : entry.aliases)
            if (normalizeCityName(alias) == q) return entry;
    }
    return std::nullopt;
}

QList<CityEntry> builtInCities() {
    return {
        jakartaRow(),
        row("bks", "Bekasi", -6.2383, 106.9756, {"kota bekasi", "bekasi kota"}),
        row("dpk", "Depok", -6.4025, 106.7942, {"kota depok"}),
        row("bgr", "Bogor", -6.5944, 106.7892, {"kota bogor"}),
        row("tgr", "Tangerang", -6.1783, 106.6319, {"kota tangerang"}),
        row("bdg", "Bandung", -6.9175, 107.6191, {"kota bandung"}),
        row("cma", "Cimahi", -6.8721, 107.5427, {"kota cimahi"}),
        row("slo", "Surakarta", -7.5666, 110.8167, {"solo", "kota surakarta"}),
        row("ykg", "Yogyakarta", -7.7971, 110.3688, {"jogja", "kota yogyakarta"}),
        row("smg", "Semarang", -6.9667, 110.4167, {"kota semarang"}),
        row("sby", "Surabaya", -7.2575, 112.7521, {"kota surabaya"}),
        row("mlg", "Malang", -7.9839, 112.6214, {"kota malang"}),
        row("dps", "Denpasar", -8.6705, 115.2126, {"kota denpasar"}),
        row("bpp", "Balikpapan", -1.2654, 116.8312, {"kota balikpapan"}),
        row("smd", "Samarinda", -0.5022, 117.1537, {"kota samarinda"}),
        row("mks", "Makassar", -5.1477, 119.4327, {"kota makassar"}),
        row("mdn", "Medan", 3.5952, 98.6722, {"kota medan"}),
        row("pku", "Pekanbaru", 0.5071, 101.4478, {"kota pekanbaru"}),
        row("plg", "Palembang", -2.9909, 104.7566, {"kota palembang"}),
        row("btm", "Batam", 1.0456, 104.0305, {"kota batam"}),
        row("bna", "Banda Aceh", 5.5483, 95.3238, {"kota banda aceh"}),
    };
}

const QStringList& jakartaDistricts() {
    static const QStringList districts{"jakarta pusat", "jakarta selatan", "jakarta barat", "jakarta timur",
                                       "jakarta utara"};
    return districts;
}

} // namespace lumora
