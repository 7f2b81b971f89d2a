#include "command_handlers.h"

#include "cli_output.h"
#include "cli_session.h"

#include "model/date_helpers.h"

#include <QRegularExpression>

#include <qcoro/qcorotask.h>

namespace lumora::cli {

namespace {

/// Why the service gave no days, in one line.
QString emptyServiceMonthReason(MonthLoadOutcome outcome, const QString& cityCode, const QString& month) {
    switch (outcome) {
    case MonthLoadOutcome::noServiceConfigured:
        return QStringLiteral("tidak ada layanan jadwal yang diatur (LUMORA_SCHEDULE_URL kosong)");
    case MonthLoadOutcome::unsafeCityCode:
        return QStringLiteral("kode kota %1 tidak dapat dipakai dalam alamat layanan").arg(echoed(cityCode));
    case MonthLoadOutcome::noNetwork:
        return QStringLiteral("layanan jadwal tidak menjawab (jaringan, batas waktu atau jawaban terlalu "
                              "besar)");
    case MonthLoadOutcome::invalidDays:
        return QStringLiteral("jawaban layanan jadwal untuk %1 bulan %2 ditolak: waktunya tidak sah")
            .arg(echoed(cityCode), month);
    case MonthLoadOutcome::serviceAsksToWait:
        return QStringLiteral("layanan jadwal sedang sibuk dan meminta agar permintaan ditunda sebentar");
    case MonthLoadOutcome::noDays:
    case MonthLoadOutcome::found:
        break;
    }
    return QStringLiteral("jawaban layanan jadwal tidak memuat hari untuk %1 bulan %2")
        .arg(echoed(cityCode), month);
}

} // namespace

int month(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at"), QStringLiteral("source")});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() > 2) return fail(QStringLiteral("terlalu banyak argumen"));
    const auto source = o.source ? parseMonthSource(*o.source) : MonthSource::automatic;
    if (!source)
        return fail(
            QStringLiteral("sumber tidak dikenal: %1 (%2)").arg(echoed(*o.source), monthSourceNames()));
    QString error;
    auto session = makeSession(o, &error);
    if (!session) return fail(error);

    // A YYYY-MM argument is the month; anything else names the city.
    std::optional<QString> cityQuery, monthArg;
    for (const QString& p : o.positionals) {
        if (!monthArg && QRegularExpression(QStringLiteral(R"(^\d{4}-\d{2}$)")).match(p).hasMatch())
            monthArg = p;
        else if (!cityQuery)
            cityQuery = p;
        else
            return fail(QStringLiteral("argumen tidak dikenal: %1").arg(echoed(p)));
    }

    Instant monthStart = DateHelpers::startOfMonth(session->clock().now());
    if (monthArg) {
        const auto parsed = DateHelpers::fromCivil(
            CivilTime{monthArg->left(4).toInt(), monthArg->mid(5, 2).toInt(), 1, 0, 0, 0});
        if (!parsed)
            return fail(QStringLiteral("bulan tidak valid: %1 (contoh: 2026-03)").arg(echoed(*monthArg)));
        monthStart = *parsed;
    }

    // A city asked for by name is computed where it lies; the nearest one is computed where the user is.
    std::optional<GeoPoint> location;
    CityEntry city;
    if (cityQuery) {
        const auto found = QCoro::waitFor(session->catalog().match(*cityQuery));
        if (!found) return fail(QStringLiteral("kota tidak ditemukan: %1").arg(echoed(*cityQuery)), 1);
        city = *found;
    } else {
        location = session->location();
        city = QCoro::waitFor(session->catalog().nearestCity(*location));
    }

    ChainMonth sourced =
        QCoro::waitFor(session->repository().sourcedMonth(city, monthStart, *source, location));
    const PrayerMonthCache& m = sourced.month;
    if (*source == MonthSource::service && m.days.isEmpty())
        warn(emptyServiceMonthReason(sourced.outcome(), city.code, m.month));
    const QString placeName =
        m.cityCode == city.code || m.days.isEmpty() ? city.name : m.days.first().cityName;
    hintPlaceZone(*session, m.cityCode, placeName, session->clock().now());
    if (o.json)
        printJson(m.toJson());
    else
        out() << monthText(m);
    return m.days.isEmpty() ? 1 : 0;
}

} // namespace lumora::cli
