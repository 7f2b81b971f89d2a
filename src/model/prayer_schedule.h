#pragma once

#include "instant.h"
#include "result.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace lumora {

enum class PrayerName { subuh, syuruq, dhuha, dhuhur, ashar, maghrib, isya };

inline constexpr std::array<PrayerName, 7> kAllPrayerNames = {
    PrayerName::subuh, PrayerName::syuruq,  PrayerName::dhuha, PrayerName::dhuhur,
    PrayerName::ashar, PrayerName::maghrib, PrayerName::isya};

/// The lower-case raw value ("subuh", ...).
QString rawValue(PrayerName name);
/// Exactly one of the seven raw values, case-sensitive and untrimmed; anything else gives none.
std::optional<PrayerName> prayerNameFromRaw(const QString& raw);
/// Upper-case name used by the tray, the window, notifications and the widget ("DHUHA / ISYROQ").
QString displayName(PrayerName name);

struct PrayerSlot {
    PrayerName name = PrayerName::subuh;
    /// "HH:mm"; empty when the time does not occur that day (computed times far from the equator), which
    /// every face shows as kNoTime and no rule takes for a time.
    QString time;
    /// Why an empty `time` does not occur ("Matahari tidak terbenam"); empty otherwise.
    QString reason = {};

    /// What a face shows for a time that does not occur.
    static inline const QString kNoTime = QStringLiteral("--:--");
    /// `time`, or kNoTime when it is empty.
    QString shownTime() const { return time.isEmpty() ? kNoTime : time; }

    bool operator==(const PrayerSlot&) const = default;
    QJsonObject toJson() const;
    static Result<PrayerSlot> fromJson(const QJsonValue& json);
};

struct PrayerDay {
    QString cityCode;
    QString cityName;
    QString date; ///< "yyyy-MM-dd"
    QList<PrayerSlot> slots;

    bool operator==(const PrayerDay&) const = default;
    QJsonObject toJson() const;
    static Result<PrayerDay> fromJson(const QJsonValue& json);
};

struct PrayerMonthCache {
    QString cityCode;
    QString month; ///< "yyyy-MM"
    QList<PrayerDay> days;

    bool operator==(const PrayerMonthCache&) const = default;
    QJsonObject toJson() const;
    static Result<PrayerMonthCache> fromJson(const QJsonValue& json);
    /// Decodes a whole document (the form month files and `lumora parse` use).
    static Result<PrayerMonthCache> fromJsonBytes(const QByteArray& bytes);
};

struct NextPrayer {
    PrayerName name = PrayerName::subuh;
    Instant dateTime;
    QString cityName;

    bool operator==(const NextPrayer&) const = default;
};

/// The first day in `days` whose date equals `date` exactly.
std::optional<PrayerDay> findDay(const QList<PrayerDay>& days, const QString& date);

/// Helpers shared by every decoder: a required member of the right JSON type, or a decoding error.
namespace json {
Result<QJsonObject> object(const QJsonValue& v, const char* what);
Result<QString> requiredString(const QJsonObject& o, const char* key);
Result<double> requiredNumber(const QJsonObject& o, const char* key);
Result<QJsonArray> requiredArray(const QJsonObject& o, const char* key);
/// Parses bytes into a JSON value of any kind (objects and arrays at the top level).
Result<QJsonValue> parse(const QByteArray& bytes);
QByteArray compact(const QJsonObject& o);
} // namespace json

} // namespace lumora

std::size_t qHash(const lumora::PrayerSlot& s, std::size_t seed = 0) noexcept;
std::size_t qHash(const lumora::PrayerDay& d, std::size_t seed = 0) noexcept;
std::size_t qHash(const lumora::PrayerMonthCache& m, std::size_t seed = 0) noexcept;
std::size_t qHash(const lumora::NextPrayer& n, std::size_t seed = 0) noexcept;

template <> struct std::hash<lumora::PrayerDay> {
    std::size_t operator()(const lumora::PrayerDay& d) const noexcept { return qHash(d); }
};
