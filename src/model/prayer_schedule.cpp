#include "prayer_schedule.h"

#include "raw_value.h"

#include <QHashFunctions>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

namespace lumora {

namespace {

constexpr RawValueTable<PrayerName, 7> kPrayerNames{{{PrayerName::subuh, u"subuh"},
                                                     {PrayerName::syuruq, u"syuruq"},
                                                     {PrayerName::dhuha, u"dhuha"},
                                                     {PrayerName::dhuhur, u"dhuhur"},
                                                     {PrayerName::ashar, u"ashar"},
                                                     {PrayerName::maghrib, u"maghrib"},
                                                     {PrayerName::isya, u"isya"}}};

} // namespace

QString rawValue(PrayerName name) {
    return rawValueIn(kPrayerNames, name);
}

std::optional<PrayerName> prayerNameFromRaw(const QString& raw) {
    return fromRawValueIn(kPrayerNames, QStringView(raw));
}

QString displayName(PrayerName name) {
    switch (name) {
    case PrayerName::subuh:
        return QStringLiteral("SUBUH");
    case PrayerName::syuruq:
        return QStringLiteral("SYURUQ");
    case PrayerName::dhuha:
        return QStringLiteral("DHUHA / ISYROQ");
    case PrayerName::dhuhur:
        return QStringLiteral("DHUHUR");
    case PrayerName::ashar:
        return QStringLiteral("ASHAR");
    case PrayerName::maghrib:
        return QStringLiteral("MAGHRIB");
    case PrayerName::isya:
        return QStringLiteral("ISYA");
    }
    return {};
}

namespace json {

Result<QJsonObject> object(const QJsonValue& v, const char* what) {
    if (!v.isObject())
        return Result<QJsonObject>::fail(QStringLiteral("typeMismatch: %1 is not an object").arg(what));
    return Result<QJsonObject>::ok(v.toObject());
}

Result<QString> requiredString(const QJsonObject& o, const char* key) {
    const auto it = o.constFind(QLatin1String(key));
    if (it == o.constEnd() || it->isNull())
        return Result<QString>::fail(QStringLiteral("keyNotFound: %1").arg(key));
    if (!it->isString())
        return Result<QString>::fail(QStringLiteral("typeMismatch: %1 is not a string").arg(key));
    return Result<QString>::ok(it->toString());
}

Result<double> requiredNumber(const QJsonObject& o, const char* key) {
    const auto it = o.constFind(QLatin1String(key));
    if (it == o.constEnd() || it->isNull())
        return Result<double>::fail(QStringLiteral("keyNotFound: %1").arg(key));
    if (!it->isDouble())
        return Result<double>::fail(QStringLiteral("typeMismatch: %1 is not a number").arg(key));
    return Result<double>::ok(it->toDouble());
}

Result<QJsonArray> requiredArray(const QJsonObject& o, const char* key) {
    const auto it = o.constFind(QLatin1String(key));
    if (it == o.constEnd() || it->isNull())
        return Result<QJsonArray>::fail(QStringLiteral("keyNotFound: %1").arg(key));
    if (!it->isArray())
        return Result<QJsonArray>::fail(QStringLiteral("typeMismatch: %1 is not an array").arg(key));
    return Result<QJsonArray>::ok(it->toArray());
}

Result<QJsonValue> parse(const QByteArray& bytes) {
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
    if (err.error != QJsonParseError::NoError)
        return Result<QJsonValue>::fail(
            QStringLiteral("dataCorrupted: %1 at offset %2").arg(err.errorString()).arg(err.offset));
    if (doc.isArray()) return Result<QJsonValue>::ok(doc.array());
    if (doc.isObject()) return Result<QJsonValue>::ok(doc.object());
    return Result<QJsonValue>::fail(QStringLiteral("dataCorrupted: no top-level object or array"));
}

QByteArray compact(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

} // namespace json

QJsonObject PrayerSlot::toJson() const {
    QJsonObject o{{QStringLiteral("name"), rawValue(name)}, {QStringLiteral("time"), time}};
    if (!reason.isEmpty()) o.insert(QStringLiteral("reason"), reason);
    return o;
}

Result<PrayerSlot> PrayerSlot::fromJson(const QJsonValue& v) {
    auto o = json::object(v, "slot");
    if (!o) return Result<PrayerSlot>::fail(o.error());
    auto name = json::requiredString(*o, "name");
    if (!name) return Result<PrayerSlot>::fail(name.error());
    auto time = json::requiredString(*o, "time");
    if (!time) return Result<PrayerSlot>::fail(time.error());
    const auto parsed = prayerNameFromRaw(*name);
    if (!parsed)
        return Result<PrayerSlot>::fail(
            QStringLiteral("dataCorrupted: unknown prayer name \"%1\"").arg(*name));
    // Optional, and only ever informative: a reason of another type is dropped rather than failing the day.
    return Result<PrayerSlot>::ok(PrayerSlot{*parsed, *time, o->value(QStringLiteral("reason")).toString()});
}

QJsonObject PrayerDay::toJson() const {
    QJsonArray arr;
    for (const auto& s : slots)
        arr.append(s.toJson());
    return QJsonObject{{QStringLiteral("cityCode"), cityCode},
                       {QStringLiteral("cityName"), cityName},
                       {QStringLiteral("date"), date},
                       {QStringLiteral("slots"), arr}};
}

Result<PrayerDay> PrayerDay::fromJson(const QJsonValue& v) {
    using R = Result<PrayerDay>;
    auto o = json::object(v, "day");
    if (!o) return R::fail(o.error());
    PrayerDay day;
    auto code = json::requiredString(*o, "cityCode");
    if (!code) return R::fail(code.error());
    auto name = json::requiredString(*o, "cityName");
    if (!name) return R::fail(name.error());
    auto date = json::requiredString(*o, "date");
    if (!date) return R::fail(date.error());
    auto slots = json::requiredArray(*o, "slots");
    if (!slots) return R::fail(slots.error());
    day.cityCode = *code;
    day.cityName = *name;
    day.date = *date;
    day.slots.reserve(slots->size());
    for (const auto& s : *slots) {
        auto slot = PrayerSlot::fromJson(s);
        if (!slot) return R::fail(slot.error());
        day.slots.append(*slot);
    }
    return R::ok(std::move(day));
}

QJsonObject PrayerMonthCache::toJson() const {
    QJsonArray arr;
    for (const auto& d : days)
        arr.append(d.toJson());
    return QJsonObject{{QStringLiteral("cityCode"), cityCode},
                       {QStringLiteral("month"), month},
                       {QStringLiteral("days"), arr}};
}

Result<PrayerMonthCache> PrayerMonthCache::fromJson(const QJsonValue& v) {
    using R = Result<PrayerMonthCache>;
    auto o = json::object(v, "month");
    if (!o) return R::fail(o.error());
    auto code = json::requiredString(*o, "cityCode");
    if (!code) return R::fail(code.error());
    auto month = json::requiredString(*o, "month");
    if (!month) return R::fail(month.error());
    auto days = json::requiredArray(*o, "days");
    if (!days) return R::fail(days.error());
    PrayerMonthCache m{*code, *month, {}};
    m.days.reserve(days->size());
    for (const auto& d : *days) {
        auto day = PrayerDay::fromJson(d);
        if (!day) return R::fail(day.error());
        m.days.append(*day);
    }
    return R::ok(std::move(m));
}

Result<PrayerMonthCache> PrayerMonthCache::fromJsonBytes(const QByteArray& bytes) {
    auto v = json::parse(bytes);
    if (!v) return Result<PrayerMonthCache>::fail(v.error());
    return fromJson(*v);
}

std::optional<PrayerDay> findDay(const QList<PrayerDay>& days, const QString& date) {
    for (const auto& d : days)
        if (d.date == date) return d;
    return std::nullopt;
}

} // namespace lumora

std::size_t qHash(const lumora::PrayerSlot& s, std::size_t seed) noexcept {
    return qHashMulti(seed, lumora::rawValue(s.name), s.time, s.reason);
}

std::size_t qHash(const lumora::PrayerDay& d, std::size_t seed) noexcept {
    seed = qHashMulti(seed, d.cityCode, d.cityName, d.date, d.slots.size());
    for (const auto& s : d.slots)
        seed = qHash(s, seed);
    return seed;
}

std::size_t qHash(const lumora::PrayerMonthCache& m, std::size_t seed) noexcept {
    seed = qHashMulti(seed, m.cityCode, m.month, m.days.size());
    for (const auto& d : m.days)
        seed = qHash(d, seed);
    return seed;
}

std::size_t qHash(const lumora::NextPrayer& n, std::size_t seed) noexcept {
    return qHashMulti(seed, lumora::rawValue(n.name), n.dateTime.seconds, n.cityName);
}
