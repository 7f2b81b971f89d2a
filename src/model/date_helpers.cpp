#include "date_helpers.h"

#include "icu_text.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QStringList>

#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/simpletz.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

namespace lumora {

namespace {

Q_LOGGING_CATEGORY(modelLog, "lumora.model", QtInfoMsg)

// A TZ value that is a POSIX rule rather than a zone's name, read as the C library reads it:
// std offset [dst [offset] [,start[/time],end[/time]]]. ICU itself only takes names from TZ, and falls back to
// the system's zone for a rule, so the app and the C library would disagree about the time.
class PosixTzReader {
public:
    explicit PosixTzReader(const QString& text) : m_s(text) {}

    /// The zone; none when the text is not a rule. `dstDropped` is set when the rule has a daylight part ICU
    /// cannot express (a zero-based day, a time outside the day), and the zone keeps only standard time.
    std::unique_ptr<icu::TimeZone> read(bool& dstDropped) {
        dstDropped = false;
        if (!name()) return nullptr;
        const auto stdOffset = hms(24);
        if (!stdOffset) return nullptr;
        // POSIX counts hours west of Greenwich; ICU east.
        const int raw = -*stdOffset * 1000;
        const icu::UnicodeString id = toIcu(m_s);
        if (atEnd()) return std::make_unique<icu::SimpleTimeZone>(raw, id);

        if (!name()) return nullptr;
        int dstRaw = raw + 3600 * 1000;
        if (!atEnd() && peek() != u',') {
            const auto dstOffset = hms(24);
            if (!dstOffset) return nullptr;
            dstRaw = -*dstOffset * 1000;
        }
        // Without rules the C library uses the United States' ones.
        Rule start{true, 2, 2, UCAL_SUNDAY, 7200 * 1000};
        Rule end{true, 10, 1, UCAL_SUNDAY, 7200 * 1000};
        if (eat(u',')) {
            const auto first = rule();
            if (!first || !eat(u',')) return nullptr;
            const auto second = rule();
            if (!second) return nullptr;
            start = *first;
            end = *second;
        }
        if (!atEnd()) return nullptr;
        if (start.expressible && end.expressible && dstRaw != raw) {
            UErrorCode status = U_ZERO_ERROR;
            auto zone = std::make_unique<icu::SimpleTimeZone>(
                raw, id, start.month, start.week, start.day, start.timeMs, icu::SimpleTimeZone::WALL_TIME,
                end.month, end.week, end.day, end.timeMs, icu::SimpleTimeZone::WALL_TIME, dstRaw - raw, status);
            if (U_SUCCESS(status)) return zone;
        }
        dstDropped = true;
        return std::make_unique<icu::SimpleTimeZone>(raw, id);
    }

private:
    // In ICU's terms: month from 0; week 1..4 or -1 for the last, with a weekday from UCAL_SUNDAY; or, with
    // day 0, week is the day of the month.
    struct Rule {
        bool expressible = true;
        int8_t month = 0;
        int8_t week = 0;
        int8_t day = 0;
        int timeMs = 0;
    };

    bool atEnd() const { return m_i >= m_s.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_s[m_i]; }
    bool eat(char16_t c) {
        if (atEnd() || m_s[m_i] != c) return false;
        ++m_i;
        return true;
    }

    // "WIB", or quoted: "<+14>".
    bool name() {
        qsizetype length = 0;
        if (eat(u'<')) {
            while (!atEnd() && (peek().isLetterOrNumber() || peek() == u'+' || peek() == u'-') &&
                   peek().unicode() < 128) {
                ++m_i;
                ++length;
            }
            return eat(u'>') && length >= 3;
        }
        while (!atEnd() && peek().unicode() < 128 && peek().isLetter()) {
            ++m_i;
            ++length;
        }
        return length >= 3;
    }

    std::optional<int> number(int maxDigits) {
        int value = 0, digits = 0;
        while (!atEnd() && digits < maxDigits && peek() >= u'0' && peek() <= u'9') {
            value = value * 10 + (peek().unicode() - u'0');
            ++m_i;
            ++digits;
        }
        if (digits == 0) return std::nullopt;
        return value;
    }

    // [+-]hh[:mm[:ss]] in seconds.
    std::optional<int> hms(int maxHours) {
        const int sign = eat(u'-') ? -1 : (eat(u'+'), 1);
        const auto hours = number(3);
        if (!hours || *hours > maxHours) return std::nullopt;
        int minutes = 0, seconds = 0;
        if (eat(u':')) {
            const auto m = number(2);
            if (!m || *m > 59) return std::nullopt;
            minutes = *m;
            if (eat(u':')) {
                const auto sec = number(2);
                if (!sec || *sec > 59) return std::nullopt;
                seconds = *sec;
            }
        }
        return sign * (*hours * 3600 + minutes * 60 + seconds);
    }

    // Mm.w.d, Jn (1..365, February 29 never counted) or n (0..365), then an optional /time.
    std::optional<Rule> rule() {
        Rule r;
        if (eat(u'M')) {
            const auto month = number(2);
            if (!month || *month < 1 || *month > 12 || !eat(u'.')) return std::nullopt;
            const auto week = number(1);
            if (!week || *week < 1 || *week > 5 || !eat(u'.')) return std::nullopt;
            const auto day = number(1);
            if (!day || *day > 6) return std::nullopt;
            r.month = static_cast<int8_t>(*month - 1);
            r.week = static_cast<int8_t>(*week == 5 ? -1 : *week);
            r.day = static_cast<int8_t>(UCAL_SUNDAY + *day);
        } else if (eat(u'J')) {
            const auto julian = number(3);
            if (!julian || *julian < 1 || *julian > 365) return std::nullopt;
            static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            int left = *julian, month = 0;
            while (left > kDays[month]) left -= kDays[month++];
            r.month = static_cast<int8_t>(month);
            r.week = static_cast<int8_t>(left);
            r.day = 0;
        } else {
            const auto day = number(3);
            if (!day || *day > 365) return std::nullopt;
            // Counting February 29 in leap years only has no rule of ICU's to match.
            r.expressible = false;
        }
        int seconds = 7200;
        if (eat(u'/')) {
            const auto time = hms(167);
            if (!time) return std::nullopt;
            seconds = *time;
        }
        if (seconds < 0 || seconds > 24 * 3600) r.expressible = false;
        r.timeMs = seconds * 1000;
        return r;
    }

    const QString& m_s;
    qsizetype m_i = 0;
};

std::unique_ptr<icu::TimeZone> utcZone() {
    return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(icu::UnicodeString(u"UTC")));
}

// The zone a TZ value names, and what went wrong reading it (empty when nothing did).
std::unique_ptr<icu::TimeZone> readTz(const QString& tz, QString& problem) {
    problem.clear();
    // Long values name nothing the zone database or the C library would take; they are not worth reading.
    constexpr qsizetype kMaxTz = 256;
    if (tz.size() > kMaxTz) {
        problem = QStringLiteral("is too long to be a time zone");
        return nullptr;
    }
    QString id = tz.startsWith(u':') ? tz.mid(1) : tz;
    // The C library takes an empty TZ as UTC.
    if (id.isEmpty()) return utcZone();
    // A file in the zone database, or a link to one (":/etc/localtime"), names its zone by its path.
    if (id.startsWith(u'/')) {
        if (const QString target = QFileInfo(id).canonicalFilePath(); !target.isEmpty()) id = target;
    }
    if (const qsizetype at = id.lastIndexOf(QLatin1String("zoneinfo/")); at >= 0) id = id.mid(at + 9);
    if (id.startsWith(QLatin1String("posix/"))) id = id.mid(6);

    // Only zones of the database: ICU would also read "GMT+7" as a custom zone east of Greenwich, where the C
    // library reads the same text as a POSIX rule west of it.
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString canonical;
    UBool isSystem = false;
    icu::TimeZone::getCanonicalID(toIcu(id), canonical, isSystem, status);
    if (U_SUCCESS(status) && isSystem)
        return std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(toIcu(id)));

    const QString rule = tz.startsWith(u':') ? tz.mid(1) : tz;
    bool dstDropped = false;
    auto zone = PosixTzReader(rule).read(dstDropped);
    if (!zone) {
        problem = QStringLiteral("names no time zone ICU knows and is no POSIX rule; using UTC");
        return nullptr;
    }
    if (dstDropped) problem = QStringLiteral("has a daylight-saving rule ICU cannot follow; using standard time");
    return zone;
}

constexpr const char16_t* kPatterns[] = {u"EEEE, dd MMMM yyyy", u"yyyy-MM", u"yyyy-MM-dd", u"HH:mm"};

struct Shared {
    icu::Locale posix{"en_US_POSIX"};
    icu::Locale id{"id_ID"};
    std::unique_ptr<icu::TimeZone> zone;
    std::unique_ptr<icu::Calendar> calendar;
    std::unique_ptr<icu::Calendar> hijri;
    std::unique_ptr<icu::SimpleDateFormat> formatters[4];

    explicit Shared(icu::TimeZone* z) {
        zone.reset(z);
        UErrorCode status = U_ZERO_ERROR;
        auto* greg = new icu::GregorianCalendar(zone->clone(), posix, status);
        // Lenient on purpose: ICU applies the wall-time options only to lenient calendars.
        greg->setSkippedWallTimeOption(UCAL_WALLTIME_NEXT_VALID);
        greg->setRepeatedWallTimeOption(UCAL_WALLTIME_FIRST);
        calendar.reset(greg);

        status = U_ZERO_ERROR;
        hijri.reset(icu::Calendar::createInstance(
            zone->clone(), icu::Locale("en_US_POSIX@calendar=islamic-umalqura"), status));

        for (int i = 0; i < 4; ++i) {
            status = U_ZERO_ERROR;
            const icu::Locale& loc = i == 0 ? id : posix;
            auto* f = new icu::SimpleDateFormat(icu::UnicodeString(kPatterns[i]), loc, status);
            f->adoptCalendar(calendar->clone());
            f->setTimeZone(*zone);
            f->setLenient(false);
            formatters[i].reset(f);
        }
    }
};

// The zone can change while the app runs (a flight from WIB to WIT). A change builds a new set; the old sets
// are kept, because callers may still hold references to their zone or calendar, and there are only ever a
// handful of changes in a process's life.
std::atomic<const Shared*> g_current{nullptr};
std::atomic<int> g_generation{0};
std::mutex g_swapMutex;

const Shared& shared() {
    if (const Shared* s = g_current.load(std::memory_order_acquire)) return *s;
    std::lock_guard lock(g_swapMutex);
    if (!g_current.load()) {
        std::unique_ptr<icu::TimeZone> zone = DateHelpers::systemZone();
        // ICU's own default would not follow a POSIX rule; whatever else asks ICU gets the same zone.
        icu::TimeZone::setDefault(*zone);
        g_current.store(new Shared(zone.release()), std::memory_order_release);
    }
    return *g_current.load();
}

// ICU calendars and formatters keep working state, so each thread computes on its own copy, made again after
// a zone change.
template <typename T> struct ThreadCopy {
    std::unique_ptr<T> copy;
    int generation = -1;
    template <typename Make> T& get(Make make) {
        const int now = g_generation.load(std::memory_order_acquire);
        if (!copy || generation != now) {
            copy.reset(make());
            generation = now;
        }
        return *copy;
    }
};

icu::Calendar& localCalendar() {
    thread_local ThreadCopy<icu::Calendar> cal;
    return cal.get([] { return shared().calendar->clone(); });
}

icu::SimpleDateFormat& localFormatter(DateFormatter::Kind kind) {
    thread_local ThreadCopy<icu::SimpleDateFormat> copies[4];
    const int i = static_cast<int>(kind);
    return copies[i].get([i] { return shared().formatters[i]->clone(); });
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// "yyyy-MM-dd" in its canonical form is by far the common case; reading it directly keeps the per-second
// display computation cheap. Anything else goes through the formatter.
std::optional<Instant> parseDay(const QString& s) {
    const bool canonical = s.size() == 10 && s[4] == u'-' && s[7] == u'-' && isAsciiDigit(s[0]) &&
                           isAsciiDigit(s[1]) && isAsciiDigit(s[2]) && isAsciiDigit(s[3]) &&
                           isAsciiDigit(s[5]) && isAsciiDigit(s[6]) && isAsciiDigit(s[8]) &&
                           isAsciiDigit(s[9]);
    if (!canonical) return DateHelpers::dateFormatter().parse(s);
    auto num = [&](int from, int len) {
        int v = 0;
        for (int i = from; i < from + len; ++i)
            v = v * 10 + (s[i].unicode() - u'0');
        return v;
    };
    return DateHelpers::fromCivil(CivilTime{num(0, 4), num(5, 2), num(8, 2), 0, 0, 0});
}

} // namespace

QString DateFormatter::format(Instant t) const {
    icu::UnicodeString out;
    localFormatter(m_kind).format(t.unixMillis(), out);
    return fromIcu(out);
}

std::optional<Instant> DateFormatter::parse(const QString& text) const {
    if (text.isEmpty()) return std::nullopt;
    const icu::UnicodeString s = toIcu(text);
    icu::ParsePosition pos(0);
    const UDate d = localFormatter(m_kind).parse(s, pos);
    if (pos.getErrorIndex() >= 0 || pos.getIndex() != s.length()) return std::nullopt;
    return Instant::fromUnixMillis(d);
}

namespace DateHelpers {

const icu::Locale& posix() {
    return shared().posix;
}
const icu::Locale& idLocale() {
    return shared().id;
}
const icu::TimeZone& zone() {
    return *shared().zone;
}
const icu::Calendar& calendar() {
    return *shared().calendar;
}
const icu::Calendar& hijriCalendar() {
    return *shared().hijri;
}

bool setZone(const QString& zoneId) {
    std::unique_ptr<icu::TimeZone> z;
    if (zoneId.isEmpty()) {
        z = systemZone();
    } else {
        z.reset(icu::TimeZone::createTimeZone(toIcu(zoneId)));
        // ICU answers an unknown identifier with the "Etc/Unknown" zone (GMT) rather than failing.
        if (*z == icu::TimeZone::getUnknown()) return false;
    }
    if (!z) return false;
    std::lock_guard lock(g_swapMutex);
    const Shared* current = g_current.load();
    if (current && *current->zone == *z) return false;
    icu::TimeZone::setDefault(*z);
    g_current.store(new Shared(z.release()), std::memory_order_release);
    g_generation.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

QString zoneId() {
    icu::UnicodeString id;
    zone().getID(id);
    return fromIcu(id);
}

std::unique_ptr<icu::TimeZone> zoneFromTz(const QString& tz) {
    QString problem;
    return readTz(tz, problem);
}

std::unique_ptr<icu::TimeZone> systemZone() {
    if (!qEnvironmentVariableIsSet("TZ"))
        return std::unique_ptr<icu::TimeZone>(icu::TimeZone::detectHostTimeZone());
    const QString tz = qEnvironmentVariable("TZ");
    QString problem;
    std::unique_ptr<icu::TimeZone> zone = readTz(tz, problem);
    if (!problem.isEmpty()) {
        // The zone is looked up again on every system zone change; one line per value is enough.
        static std::mutex mutex;
        static QSet<QString> warned;
        constexpr qsizetype kMaxRemembered = 16;
        std::lock_guard lock(mutex);
        if (!warned.contains(tz) && warned.size() < kMaxRemembered) {
            warned.insert(tz);
            qCWarning(modelLog).nospace() << "TZ " << tz.left(64) << (tz.size() > 64 ? "..." : "") << " "
                                          << qUtf8Printable(problem);
        }
    }
    return zone ? std::move(zone) : utcZone();
}

const DateFormatter& dayFormatter() {
    static constexpr DateFormatter f(DateFormatter::Kind::day);
    return f;
}
const DateFormatter& monthFormatter() {
    static constexpr DateFormatter f(DateFormatter::Kind::month);
    return f;
}
const DateFormatter& dateFormatter() {
    static constexpr DateFormatter f(DateFormatter::Kind::date);
    return f;
}
const DateFormatter& displayTimeFormatter() {
    static constexpr DateFormatter f(DateFormatter::Kind::displayTime);
    return f;
}

QString hijriMonthName(int month) {
    static const char* const names[] = {"Muharram",     "Safar",         "Rabiul Awwal", "Rabiul Akhir",
                                        "Jumadil Awal", "Jumadil Akhir", "Rajab",        "Sya'ban",
                                        "Ramadhan",     "Syawal",        "Dzulqaidah",   "Dzulhijjah"};
    if (month < 1 || month > 12) return {};
    return QString::fromLatin1(names[month - 1]);
}

std::optional<TimeOfDay> parseTime(const QString& text) {
    QString cleaned;
    cleaned.reserve(text.size());
    for (QChar c : text) {
        if (c == u'.') c = u':';
        if (isAsciiDigit(c) || c == u':') cleaned.append(c);
    }
    cleaned = cleaned.trimmed();
    if (cleaned.isEmpty()) return std::nullopt;

    const QStringList pieces = cleaned.split(u':', Qt::SkipEmptyParts);
    if (pieces.size() == 2) {
        bool okH = false, okM = false;
        const int h = pieces[0].toInt(&okH, 10);
        const int m = pieces[1].toInt(&okM, 10);
        if (okH && okM) return TimeOfDay{h, m};
    }
    if (cleaned.size() == 4) {
        bool okH = false, okM = false;
        const int h = cleaned.left(2).toInt(&okH, 10);
        const int m = cleaned.right(2).toInt(&okM, 10);
        if (okH && okM) return TimeOfDay{h, m};
    }
    return std::nullopt;
}

std::optional<Instant> atTimeOfDay(Instant dayStart, TimeOfDay time) {
    // Out-of-range clock values from a schedule page are rejected rather than rolled into another day.
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59) return std::nullopt;
    icu::Calendar& cal = localCalendar();
    UErrorCode status = U_ZERO_ERROR;
    cal.setTime(dayStart.unixMillis(), status);
    cal.set(UCAL_HOUR_OF_DAY, time.hour);
    cal.set(UCAL_MINUTE, time.minute);
    cal.set(UCAL_SECOND, 0);
    cal.set(UCAL_MILLISECOND, 0);
    const UDate d = cal.getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return Instant::fromUnixMillis(d);
}

std::optional<Instant> makeDate(const QString& day, const QString& time) {
    const auto start = parseDay(day);
    if (!start) return std::nullopt;
    const auto t = parseTime(time);
    if (!t) return std::nullopt;
    return atTimeOfDay(*start, *t);
}

CivilTime civil(Instant t) {
    icu::Calendar& cal = localCalendar();
    UErrorCode status = U_ZERO_ERROR;
    cal.setTime(t.unixMillis(), status);
    CivilTime c;
    c.year = cal.get(UCAL_EXTENDED_YEAR, status);
    c.month = cal.get(UCAL_MONTH, status) + 1;
    c.day = cal.get(UCAL_DATE, status);
    c.hour = cal.get(UCAL_HOUR_OF_DAY, status);
    c.minute = cal.get(UCAL_MINUTE, status);
    c.second = cal.get(UCAL_SECOND, status);
    return c;
}

std::optional<Instant> fromCivil(const CivilTime& c) {
    if (c.month < 1 || c.month > 12 || c.day < 1 || c.hour < 0 || c.hour > 23 || c.minute < 0 ||
        c.minute > 59 || c.second < 0 || c.second > 59)
        return std::nullopt;
    icu::Calendar& cal = localCalendar();
    UErrorCode status = U_ZERO_ERROR;
    cal.clear();
    cal.set(UCAL_EXTENDED_YEAR, c.year);
    cal.set(UCAL_MONTH, c.month - 1);
    if (c.day > cal.getActualMaximum(UCAL_DATE, status)) return std::nullopt;
    cal.set(UCAL_DATE, c.day);
    cal.set(UCAL_HOUR_OF_DAY, c.hour);
    cal.set(UCAL_MINUTE, c.minute);
    cal.set(UCAL_SECOND, c.second);
    const UDate d = cal.getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return Instant::fromUnixMillis(d);
}

Instant startOfDay(Instant t) {
    const CivilTime c = civil(t);
    return fromCivil(CivilTime{c.year, c.month, c.day, 0, 0, 0}).value_or(t);
}

Instant startOfMonth(Instant t) {
    const CivilTime c = civil(t);
    return fromCivil(CivilTime{c.year, c.month, 1, 0, 0, 0}).value_or(t);
}

namespace {
std::optional<Instant> addField(Instant t, UCalendarDateFields field, int amount) {
    icu::Calendar& cal = localCalendar();
    UErrorCode status = U_ZERO_ERROR;
    cal.setTime(t.unixMillis(), status);
    cal.add(field, amount, status);
    const UDate d = cal.getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return Instant::fromUnixMillis(d);
}
} // namespace

std::optional<Instant> addDays(Instant t, int days) {
    return addField(t, UCAL_DATE, days);
}
std::optional<Instant> addMonths(Instant t, int months) {
    return addField(t, UCAL_MONTH, months);
}

bool isSameDay(Instant a, Instant b) {
    const CivilTime x = civil(a), y = civil(b);
    return x.year == y.year && x.month == y.month && x.day == y.day;
}

namespace {
std::atomic<HijriCalendarFunction> g_hijriCalendar{nullptr};
std::atomic<int> g_hijriOffset{0};
} // namespace

std::optional<HijriDate> ummAlQuraDate(int year, int month, int day) {
    // Noon stands for the whole day: ICU's Islamic calendars turn their day at local midnight.
    const auto noon = fromCivil(CivilTime{year, month, day, 12, 0, 0});
    if (!noon) return std::nullopt;
    thread_local ThreadCopy<icu::Calendar> copy;
    icu::Calendar* cal = &copy.get([] { return shared().hijri->clone(); });
    UErrorCode status = U_ZERO_ERROR;
    cal->setTime(noon->unixMillis(), status);
    HijriDate d;
    d.day = cal->get(UCAL_DATE, status);
    d.month = cal->get(UCAL_MONTH, status) + 1;
    d.year = cal->get(UCAL_YEAR, status);
    if (U_FAILURE(status)) return std::nullopt;
    return d;
}

void setHijriCalendar(HijriCalendarFunction calendar, int offsetDays) {
    g_hijriCalendar = calendar;
    g_hijriOffset = std::clamp(offsetDays, -HijriSettings::kMaxOffset, HijriSettings::kMaxOffset);
}

std::optional<HijriDate> hijriDay(Instant t) {
    namespace chr = std::chrono;
    const CivilTime c = civil(t);
    // Moving the Gregorian day moves the Hijri one by the same whole days, across month ends included.
    const chr::year_month_day day{chr::sys_days{chr::year{c.year} / c.month / c.day} +
                                  chr::days{g_hijriOffset.load()}};
    if (!day.ok()) return std::nullopt;
    const HijriCalendarFunction calendar = g_hijriCalendar.load();
    return (calendar ? calendar : &ummAlQuraDate)(static_cast<int>(day.year()),
                                                  static_cast<int>(static_cast<unsigned>(day.month())),
                                                  static_cast<int>(static_cast<unsigned>(day.day())));
}

QString formatHijriDate(const HijriDate& date) {
    const QString name = hijriMonthName(date.month);
    if (name.isEmpty()) return {};
    return QStringLiteral("%1 %2 %3H").arg(date.day).arg(name).arg(date.year);
}

QString formatHijriDay(Instant t) {
    const auto date = hijriDay(t);
    return date ? formatHijriDate(*date) : QString();
}

} // namespace DateHelpers

} // namespace lumora
