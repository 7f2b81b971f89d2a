#include "city_entry.h"

#include "prayer_schedule.h"

#include <QHashFunctions>
#include <QJsonArray>

namespace lumora {

QJsonObject CityEntry::toJson() const {
    QJsonObject o{{QStringLiteral("code"), code},
                  {QStringLiteral("name"), name},
                  {QStringLiteral("aliases"), QJsonArray::fromStringList(aliases)}};
    if (lat) o.insert(QStringLiteral("lat"), *lat);
    if (lon) o.insert(QStringLiteral("lon"), *lon);
    return o;
}

Result<CityEntry> CityEntry::fromJson(const QJsonValue& v) {
    using R = Result<CityEntry>;
    auto o = json::object(v, "city");
    if (!o) return R::fail(o.error());
    auto code = json::requiredString(*o, "code");
    if (!code) return R::fail(code.error());
    auto name = json::requiredString(*o, "name");
    if (!name) return R::fail(name.error());
    auto aliases = json::requiredArray(*o, "aliases");
    if (!aliases) return R::fail(aliases.error());
    CityEntry c{*code, *name, std::nullopt, std::nullopt, {}};
    for (const auto& a : *aliases) {
        if (!a.isString()) return R::fail(QStringLiteral("typeMismatch: alias is not a string"));
        c.aliases.append(a.toString());
    }
    for (auto [key, field] : {std::pair{"lat", &c.lat}, std::pair{"lon", &c.lon}}) {
        const QJsonValue value = o->value(QLatin1String(key));
        if (value.isUndefined() || value.isNull()) continue;
        if (!value.isDouble()) return R::fail(QStringLiteral("typeMismatch: %1 is not a number").arg(key));
        *field = value.toDouble();
    }
    return R::ok(std::move(c));
}

CityEntry fallbackJakarta() {
    return CityEntry{"jkt", "Jakarta", -6.2088, 106.8456, {}};
}

} // namespace lumora

std::size_t qHash(const lumora::CityEntry& c, std::size_t seed) noexcept {
    return qHashMulti(seed, c.code, c.name, c.lat.value_or(qQNaN()), c.lon.value_or(qQNaN()), c.aliases);
}
