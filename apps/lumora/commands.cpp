#include "commands.h"

#include "autostart_command.h"
#include "cli_output.h"
#include "cli_session.h"
#include "hijri_command.h"
#include "status_commands.h"

#include "core/app_services.h"
#include "core/prayer_notifications.h"
#include "model/date_helpers.h"
#include "places/gazetteer.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTextStream>

#include <qcoro/qcorotask.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <tuple>

namespace lumora::cli {

namespace {

/// Whether the terminal's line holds the live countdown without a line break after it.
volatile std::sig_atomic_t g_liveLineOpen = 0;

/// Ctrl-C in the terminal view: the prompt comes back on a fresh line. Everything shown was flushed as it
/// was drawn, so nothing is lost by leaving at once; only async-signal-safe calls here.
void endWatch(int) {
    if (g_liveLineOpen) (void)!write(STDOUT_FILENO, "\n", 1);
    _exit(128 + SIGINT);
}

/// The zone hint for a state `today` or `reminders` shows.
void hintZoneFor(Session& session, const AppState& state, Instant now) {
    hintPlaceZone(session, state.cityCode, state.cityName, now);
}

/// The plan groups each prayer's requests together; a reader wants them as they will fire. Stable, so
/// requests of the same minute keep the plan's order.
QList<NotificationRequest> inTimeOrder(QList<NotificationRequest> requests) {
    const auto minute = [](const NotificationTrigger& t) {
        return std::tuple(t.year, t.month, t.day, t.hour, t.minute);
    };
    std::stable_sort(requests.begin(), requests.end(),
                     [&](const NotificationRequest& a, const NotificationRequest& b) {
                         return minute(a.trigger) < minute(b.trigger);
                     });
    return requests;
}

/// Redraws the countdown line every second until interrupted, reloading the schedule when the day changes.
QCoro::Task<int> watchToday(Session& session) {
    const bool terminal = isatty(fileno(stdout));
    struct sigaction action {};
    action.sa_handler = endWatch;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    QString shown;
    co_await followDay(session, [&](const LoadedState& loaded, Instant now, FollowEvent event) {
        // The featured prayer moves during the day, so only the live line names it.
        if (event == FollowEvent::started) {
            hintZoneFor(session, loaded.state, now);
            out() << todayText(loaded.state, std::nullopt, now, false) << '\n';
        } else if (event == FollowEvent::reloaded) {
            if (terminal) out() << "\r\033[K";
            out() << '\n' << todayText(loaded.state, std::nullopt, now, false) << '\n';
            shown.clear();
        }
        const auto display = prayerDisplay(now, loaded.state.todayDay, loaded.state.tomorrowDay);
        const QString line = display ? displayName(display->prayer) + u' ' + display->secondaryText(now)
                                     : loaded.state.statusText;
        if (line != shown) {
            // A terminal gets one line rewritten in place; a pipe gets a line per change.
            if (terminal)
                out() << "\r\033[K" << line;
            else
                out() << line << '\n';
            out().flush();
            g_liveLineOpen = terminal;
            shown = line;
        }
        return untilNextSecond(now);
    });
    co_return 0;
}

int today(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at")}, {QStringLiteral("watch")});
    if (o.watch && o.json) return fail(QStringLiteral("--watch tidak dapat dipakai bersama --json"));
    int status = 0;
    auto session = sessionWithoutArguments(o, &status);
    if (!session) return status;

    if (o.watch) return QCoro::waitFor(watchToday(*session));

    const auto [state, now] = loadTodayState(*session);
    hintZoneFor(*session, state, now);
    const auto display = prayerDisplay(now, state.todayDay, state.tomorrowDay);
    if (o.json) {
        printJson(QJsonObject{{QStringLiteral("state"), state.toJson()},
                              {QStringLiteral("display"), display ? QJsonValue(displayJson(*display, now))
                                                                  : QJsonValue(QJsonValue::Null)}});
    } else {
        out() << todayText(state, display, now);
    }
    return statusFor(state);
}

int reminders(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at")});
    int status = 0;
    auto session = sessionWithoutArguments(o, &status);
    if (!session) return status;

    const auto [state, now] = loadTodayState(*session);
    hintZoneFor(*session, state, now);
    const QList<NotificationRequest> requests = inTimeOrder(planNotifications(state));
    if (o.json) {
        printJson(remindersJson(requests));
    } else {
        out() << remindersText(requests, now);
        if (requests.isEmpty()) out() << state.statusText << '\n';
    }
    return statusFor(state);
}

/// Why the service gave no days, in one line.
QString emptyServiceMonthReason(MonthLoadOutcome outcome, const QString& cityCode, const QString& month) {
    switch (outcome) {
    case MonthLoadOutcome::noServiceConfigured:
        return QStringLiteral("tidak ada layanan jadwal yang diatur (LUMORA_SCHEDULE_URL kosong)");
    case MonthLoadOutcome::unsafeCityCode:
        return QStringLiteral("kode kota %1 tidak dapat dipakai dalam alamat layanan").arg(cityCode);
    case MonthLoadOutcome::noNetwork:
        return QStringLiteral("layanan jadwal tidak menjawab (jaringan, batas waktu atau jawaban terlalu "
                              "besar)");
    case MonthLoadOutcome::invalidDays:
        return QStringLiteral("jawaban layanan jadwal untuk %1 bulan %2 ditolak: waktunya tidak sah")
            .arg(cityCode, month);
    case MonthLoadOutcome::serviceAsksToWait:
        return QStringLiteral("layanan jadwal sedang sibuk dan meminta agar permintaan ditunda sebentar");
    case MonthLoadOutcome::noDays:
    case MonthLoadOutcome::found:
        break;
    }
    return QStringLiteral("jawaban layanan jadwal tidak memuat hari untuk %1 bulan %2").arg(cityCode, month);
}

int month(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at"), QStringLiteral("source")});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() > 2) return fail(QStringLiteral("terlalu banyak argumen"));
    const auto source = o.source ? parseMonthSource(*o.source) : MonthSource::automatic;
    if (!source)
        return fail(QStringLiteral("sumber tidak dikenal: %1 (%2)").arg(*o.source, monthSourceNames()));
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
            return fail(QStringLiteral("argumen tidak dikenal: %1").arg(p));
    }

    Instant monthStart = DateHelpers::startOfMonth(session->clock().now());
    if (monthArg) {
        const auto parsed = DateHelpers::fromCivil(
            CivilTime{monthArg->left(4).toInt(), monthArg->mid(5, 2).toInt(), 1, 0, 0, 0});
        if (!parsed) return fail(QStringLiteral("bulan tidak valid: %1 (contoh: 2026-03)").arg(*monthArg));
        monthStart = *parsed;
    }

    // A city asked for by name is computed where it lies; the nearest one is computed where the user is.
    std::optional<GeoPoint> location;
    CityEntry city;
    if (cityQuery) {
        const auto found = QCoro::waitFor(session->catalog().match(*cityQuery));
        if (!found) return fail(QStringLiteral("kota tidak ditemukan: %1").arg(*cityQuery), 1);
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

int parse(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("city"), QStringLiteral("month")});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() != 1 || !o.city || !o.month)
        return fail(QStringLiteral("pemakaian: lumora parse FILE --city CODE --month YYYY-MM"));
    if (!QRegularExpression(QStringLiteral(R"(^\d{4}-(0[1-9]|1[0-2])$)")).match(*o.month).hasMatch())
        return fail(QStringLiteral("bulan tidak valid: %1 (contoh: 2026-03)").arg(*o.month));
    QFile file(o.positionals.first());
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("tidak dapat membaca %1: %2").arg(file.fileName(), file.errorString()));
    // No more than a service answer may hold, so an endless input (/dev/zero) is refused, not swallowed.
    const QByteArray bytes = file.read(PrayerSource::kMaxBodyBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("tidak dapat membaca %1: %2").arg(file.fileName(), file.errorString()));
    if (bytes.size() > PrayerSource::kMaxBodyBytes)
        return fail(QStringLiteral("%1 terlalu besar: jawaban layanan paling banyak %2 MiB")
                        .arg(file.fileName())
                        .arg(PrayerSource::kMaxBodyBytes / (1024 * 1024)));
    const auto parsed = PrayerSource::parse(QString::fromUtf8(bytes), *o.city, *o.month);
    if (!parsed) return fail(QStringLiteral("jawaban tidak terbaca: %1").arg(parsed.error()), 2);
    printJson(parsed->toJson());
    return parsed->days.isEmpty() ? 1 : 0;
}

int cities(const QStringList& args) {
    const Options o = parseOptions(args, {});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() > 1) return fail(QStringLiteral("terlalu banyak argumen"));
    QString error;
    auto session = makeSession(o, &error);

    if (o.positionals.isEmpty()) {
        const QList<CityEntry> all = QCoro::waitFor(session->catalog().entries());
        if (o.json) {
            QJsonArray arr;
            for (const CityEntry& c : all)
                arr.append(c.toJson());
            printJson(arr);
        } else {
            for (const CityEntry& c : all)
                out() << c.code.leftJustified(8) << c.name << '\n';
        }
        return 0;
    }
    const auto found = QCoro::waitFor(session->catalog().match(o.positionals.first()));
    if (o.json)
        printJson(found ? QJsonValue(found->toJson()) : QJsonValue(QJsonValue::Null));
    else if (found)
        out() << found->code.leftJustified(8) << found->name << '\n';
    else
        warn(QStringLiteral("kota tidak ditemukan: %1").arg(o.positionals.first()));
    return found ? 0 : 1;
}

QJsonObject placeJson(const GazetteerEntry& e) {
    return {{QStringLiteral("code"), e.code},
            {QStringLiteral("name"), e.name},
            {QStringLiteral("province"), e.province},
            {QStringLiteral("lat"), e.location.latitude},
            {QStringLiteral("lon"), e.location.longitude},
            {QStringLiteral("zone"), e.zone}};
}

int places(const QStringList& args) {
    const Options o = parseOptions(args, {});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() > 1) return fail(QStringLiteral("terlalu banyak argumen"));
    const QString query = o.positionals.value(0);
    const QList<GazetteerEntry> found = Gazetteer::builtIn().search(query);
    if (o.json) {
        QJsonArray arr;
        for (const GazetteerEntry& e : found)
            arr.append(placeJson(e));
        printJson(arr);
    } else {
        for (const GazetteerEntry& e : found)
            out() << e.code.leftJustified(7) << e.name.leftJustified(36) << e.province.leftJustified(28)
                  << QStringLiteral("%1,%2")
                         .arg(e.location.latitude, 0, 'f', 4)
                         .arg(e.location.longitude, 0, 'f', 4)
                         .leftJustified(22)
                  << e.zone << '\n';
        if (found.isEmpty()) warn(QStringLiteral("tempat tidak ditemukan: %1").arg(query));
    }
    return found.isEmpty() ? 1 : 0;
}

} // namespace

QString versionLine() {
    return QStringLiteral("lumora " LUMORA_VERSION);
}

void printUsage(QTextStream& s) {
    s << versionLine()
      << ": jadwal salat dan pengingat untuk Indonesia\n"
         "\n"
         "Pemakaian: lumora [app] [--hidden] [--at WAKTU]\n"
         "           lumora <perintah> [pilihan]\n"
         "\n"
         "Tanpa perintah (atau dengan app), lumora menjalankan aplikasi desktop: ikon baki dengan hitung\n"
         "mundur, jendela utama, pengingat dan widget.\n"
         "  --hidden                             mulai tanpa jendela, di baki saja (saat login); jendela\n"
         "                                       tetap dibuka bila tidak ada baki\n"
         "  --at WAKTU                           jam aplikasi mulai dari WAKTU lalu berjalan biasa (untuk\n"
         "                                       demo, tangkapan layar dan pengukuran)\n"
         "\n"
         "Perintah:\n"
         "  today [--json | --watch] [--at WAKTU]\n"
         "                                       jadwal hari ini dan hitung mundur (--watch: terus "
         "diperbarui)\n"
         "  reminders [--json] [--at WAKTU]      pengingat yang akan dijadwalkan, dengan waktunya\n"
         "  status [--json | --waybar] [--follow] [--at WAKTU]\n"
         "                                       judul ikon baki (--follow: satu baris setiap kali berubah;\n"
         "                                       --waybar: JSON untuk waybar)\n"
         "  dashboard [--json] [--at WAKTU] [--loading]\n"
         "                                       isi jendela utama\n"
         "  screenshot FILE.png [--at WAKTU] [--size LxT] [--scale N] [--loading]\n"
         "                                       gambar jendela utama (bawaan 731x500, skala 1)\n"
         "  month [KOTA] [YYYY-MM] [--json] [--at WAKTU] [--source SUMBER]\n"
         "                                       jadwal satu bulan; SUMBER: auto (bawaan), cache,\n"
         "                                       service atau hisab\n"
         "  parse FILE --city KODE --month YYYY-MM\n"
         "                                       membaca jawaban layanan jadwal yang tersimpan\n"
         "  cities [KUERI] [--json]              daftar kota, atau kota yang cocok\n"
         "  places [KUERI] [--json]              daftar kabupaten dan kota (kode, nama, provinsi,\n"
         "                                       koordinat, zona), yang paling cocok lebih dulu\n"
         "  hijri [YYYY-MM-DD] [--json] [--calendar indonesia|ummalqura]\n"
         "                                       tanggal Hijriah dan awal tiga bulan berikutnya\n"
         "  autostart on|off|status              mulai saat login (lumora --hidden) atau tidak\n"
         "  help                                 teks ini\n"
         "  --version                            versi program\n"
         "\n"
         "WAKTU adalah waktu setempat ISO 8601, misalnya 2026-03-07T05:50:00.\n"
         "\n"
         "Lokasi: kota terdekat dari lokasi perangkat (GeoClue), atau lokasi tetap dari variabel\n"
         "LUMORA_LOCATION (\"lintang,bujur\" atau nama tempat: LUMORA_LOCATION=\"-6.9175,107.6191\" atau\n"
         "LUMORA_LOCATION=Jayapura) atau dari pengaturan fixedLocation di ~/.config/lumora/lumora.conf;\n"
         "LUMORA_LOCATION didahulukan. Cari nama tempat dengan: lumora places KUERI\n";
}

int run(const QStringList& args) {
    const QString command = args.value(0);
    const QStringList rest = args.mid(1);
    int status;
    if (args.isEmpty() || command == u"help" || command == u"--help" || command == u"-h") {
        printUsage(out());
        status = 0;
    } else if (command == u"--version") {
        out() << versionLine() << '\n';
        status = 0;
    } else if (command == u"today")
        status = today(rest);
    else if (command == u"reminders")
        status = reminders(rest);
    else if (command == u"status")
        status = cli::status(rest);
    else if (command == u"dashboard")
        status = dashboard(rest);
    else if (command == u"screenshot")
        status = screenshot(rest);
    else if (command == u"month")
        status = month(rest);
    else if (command == u"parse")
        status = parse(rest);
    else if (command == u"cities")
        status = cities(rest);
    else if (command == u"places")
        status = places(rest);
    else if (command == u"hijri")
        status = hijri(rest);
    else if (command == u"autostart")
        status = autostart(rest);
    else
        status = fail(QStringLiteral("perintah tidak dikenal: %1 (lihat: lumora help)").arg(command));
    // Output that never arrived is a failure, whatever the command thought of it.
    if (!outputWritten()) {
        const int error = errno;
        return fail(QStringLiteral("tidak dapat menulis keluaran: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(error))),
                    status != 0 ? status : 1);
    }
    return status;
}

} // namespace lumora::cli
