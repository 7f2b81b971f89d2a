#include "widget_snapshot.h"

#include "base/files.h"
#include "model/city_entry.h"
#include "snapshot/snapshot_log.h"

#include <QJsonDocument>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace lumora {

namespace {

Result<std::optional<PrayerDay>> optionalDay(const QJsonObject& o, const char* key) {
    using R = Result<std::optional<PrayerDay>>;
    const auto it = o.constFind(QLatin1String(key));
    if (it == o.constEnd() || it->isNull()) return R::ok(std::nullopt);
    auto day = PrayerDay::fromJson(*it);
    if (!day) return R::fail(day.error());
    return R::ok(std::move(day).value());
}

} // namespace

QJsonObject WidgetSnapshot::toJson() const {
    QJsonObject o{{QStringLiteral("cityName"), cityName},
                  {QStringLiteral("cityCode"), cityCode},
                  {QStringLiteral("statusText"), statusText},
                  {QStringLiteral("savedAt"), savedAt.seconds}};
    if (todayDay) o.insert(QStringLiteral("todayDay"), todayDay->toJson());
    if (tomorrowDay) o.insert(QStringLiteral("tomorrowDay"), tomorrowDay->toJson());
    return o;
}

std::optional<QByteArray> WidgetSnapshot::toJsonBytes() const {
    // JSON has no NaN or infinity; Qt would write null, which then fails to read back.
    if (!std::isfinite(savedAt.seconds)) return std::nullopt;
    return json::compact(toJson());
}

Result<WidgetSnapshot> WidgetSnapshot::fromJson(const QJsonValue& v) {
    using R = Result<WidgetSnapshot>;
    auto o = json::object(v, "snapshot");
    if (!o) return R::fail(o.error());
    auto cityName = json::requiredString(*o, "cityName");
    if (!cityName) return R::fail(cityName.error());
    auto cityCode = json::requiredString(*o, "cityCode");
    if (!cityCode) return R::fail(cityCode.error());
    auto today = optionalDay(*o, "todayDay");
    if (!today) return R::fail(today.error());
    auto tomorrow = optionalDay(*o, "tomorrowDay");
    if (!tomorrow) return R::fail(tomorrow.error());
    auto status = json::requiredString(*o, "statusText");
    if (!status) return R::fail(status.error());
    auto savedAt = json::requiredNumber(*o, "savedAt");
    if (!savedAt) return R::fail(savedAt.error());
    return R::ok(WidgetSnapshot{*cityName, *cityCode, *today, *tomorrow, *status, Instant{*savedAt}});
}

Result<WidgetSnapshot> WidgetSnapshot::fromJsonBytes(const QByteArray& bytes) {
    auto value = json::parse(bytes);
    if (!value) return Result<WidgetSnapshot>::fail(value.error());
    return fromJson(*value);
}

WidgetSnapshot WidgetSnapshot::fromState(const AppState& state, Instant now) {
    return WidgetSnapshot{state.cityName,    state.cityCode,   state.todayDay,
                          state.tomorrowDay, state.statusText, now};
}

WidgetSnapshot WidgetSnapshot::fallback(Instant now) {
    // The widget writes its city in capitals.
    return WidgetSnapshot{fallbackJakarta().name.toUpper(),
                          fallbackJakarta().code,
                          std::nullopt,
                          std::nullopt,
                          StateTexts::kLoading,
                          now};
}

namespace WidgetSnapshotStore {

QString path(const QString& dataFolder) {
    return dataFolder + QStringLiteral("/widget-snapshot.json");
}

bool write(const QString& dataFolder, const WidgetSnapshot& snapshot) {
    const std::optional<QByteArray> bytes = snapshot.toJsonBytes();
    if (!bytes) {
        qCDebug(snapshotLog) << "widget snapshot not encodable, not written";
        return false;
    }
    const QString file = path(dataFolder);
    const bool written = files::replaceAtomically(file, *bytes);
    const int why = errno;
    if (written)
        qCDebug(snapshotLog).noquote() << "widget snapshot written:" << file;
    else
        qCWarning(snapshotLog).noquote()
            << "cannot write the widget snapshot" << file << "-" << std::strerror(why);
    return written;
}

WidgetSnapshot read(const QString& dataFolder, Instant now) {
    return readFile(path(dataFolder), now);
}

WidgetSnapshot readFile(const QString& path, Instant now) {
    const files::ReadResult bytes = files::readBounded(path, kMaxBytes);
    if (!bytes) return WidgetSnapshot::fallback(now);
    auto snapshot = WidgetSnapshot::fromJsonBytes(bytes.bytes);
    if (!snapshot) return WidgetSnapshot::fallback(now);
    return std::move(snapshot).value();
}

} // namespace WidgetSnapshotStore

} // namespace lumora

std::size_t qHash(const lumora::WidgetSnapshot& s, std::size_t seed) noexcept {
    seed = qHashMulti(seed, s.cityName, s.cityCode, s.statusText, s.savedAt.seconds, s.todayDay.has_value(),
                      s.tomorrowDay.has_value());
    if (s.todayDay) seed = qHash(*s.todayDay, seed);
    if (s.tomorrowDay) seed = qHash(*s.tomorrowDay, seed);
    return seed;
}
