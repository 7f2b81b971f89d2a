#include "commands.h"

#include "autostart_command.h"
#include "cli_output.h"
#include "hijri_command.h"

#include "core/app_services.h"
#include "core/prayer_notifications.h"
#include "model/date_helpers.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <qcoro/qcorotask.h>
#include <qcoro/qcorotimer.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include <memory>

namespace lumora::cli {

namespace {

constexpr int kUsageError = 2;

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}
QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

int fail(const QString& message, int status = kUsageError) {
    err() << "lumora: " << message << Qt::endl;
    return status;
}

void printJson(const QJsonValue& value) {
    const QByteArray bytes = value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented)
                             : value.isObject()
                                 ? QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented)
                                 : (value.isNull() ? QByteArray("null\n") : QByteArray());
    out() << QString::fromUtf8(bytes);
    out().flush();
}

/// Flags and positionals of one subcommand.
struct Options {
    bool json = false;
    bool watch = false;
    std::optional<QString> at;
    std::optional<QString> city;
    std::optional<QString> month;
    std::optional<QString> source;
    QStringList positionals;
    QString error;
};

Options parseOptions(const QStringList& args, const QStringList& valued, bool watchable = false) {
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--json") {
            o.json = true;
        } else if (watchable && a == u"--watch") {
            o.watch = true;
        } else if (a.startsWith(u"--")) {
            const QString name = a.mid(2);
            if (!valued.contains(name)) {
                o.error = QStringLiteral("pilihan tidak dikenal: %1").arg(a);
                return o;
            }
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("%1 memerlukan nilai").arg(a);
                return o;
            }
            const QString value = args[++i];
            if (name == u"at")
                o.at = value;
            else if (name == u"city")
                o.city = value;
            else if (name == u"month")
                o.month = value;
            else if (name == u"source")
                o.source = value;
        } else {
            o.positionals << a;
        }
    }
    return o;
}

/// Everything a subcommand needs: the app's services over the real data folder, settings and network, and
/// the clock `--at` replaces.
class Session {
public:
    explicit Session(Instant clockStart, bool manual)
        : m_start(clockStart), m_manual(clockStart),
          m_clock(manual ? static_cast<const Clock&>(m_manual) : SystemClock::instance()),
          m_services(AppConfig::resolve(), m_clock) {}

    const Clock& clock() const { return m_clock; }
    /// With `--at`, time runs on from the given moment; otherwise this is the system clock.
    Instant advance(double elapsedSeconds) {
        if (&m_clock == &m_manual) m_manual.set(m_start + elapsedSeconds);
        return m_clock.now();
    }
    CityCatalog& catalog() { return m_services.catalog(); }
    PrayerRepository& repository() { return m_services.repository(); }
    /// The location the app would use now, without asking the positioning source.
    GeoPoint location() const { return m_services.location(); }

private:
    Instant m_start;
    ManualClock m_manual;
    const Clock& m_clock;
    AppServices m_services;
};

std::unique_ptr<Session> makeSession(const Options& o, QString* error) {
    if (!o.at) return std::make_unique<Session>(Instant{}, false);
    const auto at = parseLocalIso(*o.at);
    if (!at) {
        *error = QStringLiteral("waktu tidak valid: %1 (contoh: 2026-03-07T05:50:00)").arg(*o.at);
        return nullptr;
    }
    return std::make_unique<Session>(*at, true);
}

/// The session of a subcommand that takes options only; none (and `*status` set) after a usage error.
std::unique_ptr<Session> sessionWithoutArguments(const Options& o, int* status) {
    QString error = o.error;
    if (error.isEmpty() && !o.positionals.isEmpty())
        error = QStringLiteral("argumen tidak dikenal: %1").arg(o.positionals.first());
    std::unique_ptr<Session> session;
    if (error.isEmpty()) session = makeSession(o, &error);
    if (!session) *status = fail(error);
    return session;
}

/// The state `today` and `reminders` show: a full load at the app's current location.
struct LoadedState {
    AppState state;
    Instant now;
};

LoadedState loadTodayState(Session& session) {
    AppState state = QCoro::waitFor(session.repository().loadState(session.location()));
    return LoadedState{std::move(state), session.clock().now()};
}

int statusFor(const AppState& state) {
    return state.todayDay || state.tomorrowDay ? 0 : 1;
}

/// Redraws the countdown line every second until interrupted, reloading the schedule when the day changes.
QCoro::Task<int> watchToday(Session& session) {
    const bool terminal = isatty(fileno(stdout));
    QElapsedTimer elapsed;
    elapsed.start();
    LoadedState loaded = loadTodayState(session);
    // The featured prayer moves during the day, so only the live line names it.
    out() << todayText(loaded.state, std::nullopt, loaded.now, false) << '\n';
    QString dayKey = DateHelpers::dateFormatter().format(loaded.now);
    QString shown;
    for (;;) {
        const Instant now = session.advance(static_cast<double>(elapsed.elapsed()) / 1000.0);
        if (const QString key = DateHelpers::dateFormatter().format(now); key != dayKey) {
            dayKey = key;
            loaded = loadTodayState(session);
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
            shown = line;
        }
        const double fraction = now.seconds - std::floor(now.seconds);
        co_await QCoro::sleepFor(std::chrono::milliseconds(1000 - static_cast<int>(fraction * 1000)));
    }
}

int today(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at")}, true);
    if (o.watch && o.json) return fail(QStringLiteral("--watch tidak dapat dipakai bersama --json"));
    int status = 0;
    auto session = sessionWithoutArguments(o, &status);
    if (!session) return status;

    if (o.watch) return QCoro::waitFor(watchToday(*session));

    const auto [state, now] = loadTodayState(*session);
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
    const QList<NotificationRequest> requests = planNotifications(state);
    if (o.json) {
        printJson(remindersJson(requests));
    } else {
        out() << remindersText(requests, now);
        if (requests.isEmpty()) out() << state.statusText << '\n';
    }
    return statusFor(state);
}

std::optional<MonthSource> monthSourceFrom(const QString& text) {
    if (text == u"auto") return MonthSource::automatic;
    if (text == u"cache") return MonthSource::cache;
    if (text == u"service") return MonthSource::service;
    if (text == u"hisab") return MonthSource::hisab;
    return std::nullopt;
}

int month(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("at"), QStringLiteral("source")});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() > 2) return fail(QStringLiteral("terlalu banyak argumen"));
    const auto source = monthSourceFrom(o.source.value_or(QStringLiteral("auto")));
    if (!source)
        return fail(
            QStringLiteral("sumber tidak dikenal: %1 (auto, cache, service atau hisab)").arg(*o.source));
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

    const GeoPoint location = session->location();
    CityEntry city;
    if (cityQuery) {
        const auto found = QCoro::waitFor(session->catalog().match(*cityQuery));
        if (!found) return fail(QStringLiteral("kota tidak ditemukan: %1").arg(*cityQuery), 1);
        city = *found;
    } else {
        city = QCoro::waitFor(session->catalog().nearestCity(location));
    }

    const PrayerMonthCache m =
        QCoro::waitFor(session->repository().month(city, monthStart, *source, location));
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
    QFile file(o.positionals.first());
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("tidak dapat membaca %1").arg(file.fileName()));
    const QString body = QString::fromUtf8(file.readAll());
    const auto parsed = PrayerSource::parse(body, *o.city, *o.month);
    if (!parsed) return fail(parsed.error(), 2);
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
        err() << "lumora: kota tidak ditemukan: " << o.positionals.first() << Qt::endl;
    return found ? 0 : 1;
}

} // namespace

void printUsage(QTextStream& s) {
    s << "Pemakaian: lumora <perintah> [pilihan]\n"
         "\n"
         "  today [--json | --watch] [--at WAKTU]\n"
         "                                       jadwal hari ini dan hitung mundur (--watch: terus "
         "diperbarui)\n"
         "  reminders [--json] [--at WAKTU]      pengingat yang akan dijadwalkan, dengan waktunya\n"
         "  month [KOTA] [YYYY-MM] [--json] [--at WAKTU] [--source SUMBER]\n"
         "                                       jadwal satu bulan; SUMBER: auto (bawaan), cache,\n"
         "                                       service atau hisab\n"
         "  parse FILE --city KODE --month YYYY-MM\n"
         "                                       membaca jawaban layanan jadwal yang tersimpan\n"
         "  cities [KUERI] [--json]              daftar kota, atau kota yang cocok\n"
         "  hijri [YYYY-MM-DD] [--json] [--calendar indonesia|ummalqura]\n"
         "                                       tanggal Hijriah dan awal tiga bulan berikutnya\n"
         "  autostart on|off|status              mulai saat login (lumora --hidden) atau tidak\n"
         "\n"
         "WAKTU adalah waktu setempat ISO 8601, misalnya 2026-03-07T05:50:00.\n";
}

int run(const QStringList& args) {
    if (args.isEmpty() || args.first() == u"help" || args.first() == u"--help" || args.first() == u"-h") {
        printUsage(out());
        out().flush();
        return 0;
    }
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    int status;
    if (command == u"today")
        status = today(rest);
    else if (command == u"reminders")
        status = reminders(rest);
    else if (command == u"month")
        status = month(rest);
    else if (command == u"parse")
        status = parse(rest);
    else if (command == u"cities")
        status = cities(rest);
    else if (command == u"hijri")
        status = hijri(rest);
    else if (command == u"autostart")
        status = autostart(rest);
    else
        status = fail(QStringLiteral("perintah tidak dikenal: %1 (lihat: lumora help)").arg(command));
    out().flush();
    return status;
}

} // namespace lumora::cli
