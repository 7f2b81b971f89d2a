#pragma once

#include "model/date_helpers.h"
#include "model/local_iso.h"
#include "snapshot/widget_snapshot.h"

#include <QFile>
#include <QString>

namespace lumora::test {

/// A Jakarta day with dhuhur at 12:00 and isya at 19:29.
inline PrayerDay widgetDay(const QString& date, const QString& subuh = "04:18") {
    return PrayerDay{"jkt",
                     "KOTA JAKARTA",
                     date,
                     {{PrayerName::subuh, subuh},
                      {PrayerName::syuruq, "05:37"},
                      {PrayerName::dhuhur, "12:00"},
                      {PrayerName::ashar, "15:24"},
                      {PrayerName::maghrib, "18:14"},
                      {PrayerName::isya, "19:29"}}};
}

/// 1 January 2026 and the day after, as the app writes them.
inline WidgetSnapshot widgetSnapshot(const QString& cityName = "Kota Jakarta") {
    return WidgetSnapshot{cityName,
                          "jkt",
                          widgetDay("2026-01-01"),
                          widgetDay("2026-01-02", "04:19"),
                          "Jadwal tersedia",
                          Instant{788918400}};
}

/// A local time in the test zone; the tests' times all exist.
inline Instant at(const QString& local) {
    return *parseLocalIso(local);
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

} // namespace lumora::test
