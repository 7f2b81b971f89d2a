#include "settings_schema.h"

#include "one_line.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

namespace lumora::SettingsSchema {

namespace {

// The longest text a place may be given as: any real name or pair is far shorter, and whatever is echoed
// back stays readable.
constexpr qsizetype kMaxPlaceLength = 200;

const QStringList kReminderPrayers{QStringLiteral("subuh"),  QStringLiteral("syuruq"),
                                   QStringLiteral("dhuha"),  QStringLiteral("dhuhur"),
                                   QStringLiteral("ashar"),  QStringLiteral("maghrib"),
                                   QStringLiteral("isya")};
const QStringList kCorrectedPrayers{QStringLiteral("subuh"), QStringLiteral("syuruq"), QStringLiteral("dhuhur"),
                                    QStringLiteral("ashar"), QStringLiteral("maghrib"), QStringLiteral("isya")};

Key choiceKey(QString name, QStringList choices, QString defaultValue, QString description) {
    Key k;
    k.name = std::move(name);
    k.type = Type::choice;
    k.choices = std::move(choices);
    k.defaultValue = std::move(defaultValue);
    k.description = std::move(description);
    return k;
}

Key integerKey(QString name, int minimum, int maximum, int defaultValue, QString description) {
    Key k;
    k.name = std::move(name);
    k.type = Type::integer;
    k.minimum = minimum;
    k.maximum = maximum;
    k.defaultValue = QString::number(defaultValue);
    k.description = std::move(description);
    return k;
}

Key onOffKey(QString name, bool defaultValue, QString description) {
    Key k;
    k.name = std::move(name);
    k.type = Type::onOff;
    k.defaultValue = defaultValue ? QStringLiteral("on") : QStringLiteral("off");
    k.description = std::move(description);
    return k;
}

QList<Key> buildKeys() {
    QList<Key> keys;
    Key location;
    location.name = QStringLiteral("location");
    location.type = Type::place;
    location.defaultValue = QStringLiteral("auto");
    location.description =
        QStringLiteral("Tempat jadwal: auto (lokasi perangkat), nama atau kode tempat, atau \"lat,lon\"");
    location.legacyName = QStringLiteral("fixedLocation");
    keys << location;
    keys << choiceKey(QStringLiteral("schedule.source"),
                      {QStringLiteral("auto"), QStringLiteral("service"), QStringLiteral("hisab")},
                      QStringLiteral("auto"),
                      QStringLiteral("Sumber jadwal: auto (layanan, lalu hisab), service, atau hisab saja"));
    keys << onOffKey(QStringLiteral("hisab"), true,
                     QStringLiteral("Jadwal hisab dipakai bila jadwal layanan tidak tersedia"));
    for (const QString& prayer : kCorrectedPrayers)
        keys << integerKey(QStringLiteral("schedule.correction.") + prayer, -15, 15, 0,
                           QStringLiteral("Koreksi waktu ") + prayer.toUpper() + QStringLiteral(" dalam menit"));
    for (const QString& prayer : kReminderPrayers) {
        // Dhuha has no notice of its own before it begins: its start is the reminder.
        const bool dhuha = prayer == u"dhuha";
        const QString upper = prayer.toUpper();
        keys << integerKey(QStringLiteral("reminders.") + prayer + QStringLiteral(".before"), 0, 120,
                           dhuha ? 0 : 15,
                           QStringLiteral("Pengingat sebelum ") + upper + QStringLiteral(" (menit, 0 = mati)"));
        keys << onOffKey(QStringLiteral("reminders.") + prayer + QStringLiteral(".atTime"), true,
                         QStringLiteral("Pemberitahuan saat waktu ") + upper + QStringLiteral(" masuk"));
        if (hasAfterReminder(prayer))
            keys << integerKey(QStringLiteral("reminders.") + prayer + QStringLiteral(".after"), 0, 60,
                               dhuha ? 0 : 5,
                               QStringLiteral("Pengingat sesudah ") + upper +
                                   QStringLiteral(" (menit, 0 = mati)"));
    }
    keys << choiceKey(QStringLiteral("hijriCalendar"), {QStringLiteral("indonesia"), QStringLiteral("ummalqura")},
                      QStringLiteral("indonesia"),
                      QStringLiteral("Kalender Hijriah: indonesia atau ummalqura"));
    keys << integerKey(QStringLiteral("hijriOffset"), -2, 2, 0,
                       QStringLiteral("Geser tanggal Hijriah (hari)"));
    return keys;
}

// Levenshtein distance, case-insensitive; the names are short, so the plain table is cheap.
int distance(QStringView a, QStringView b) {
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            const bool same = a[i - 1].toCaseFolded() == b[j - 1].toCaseFolded();
            row[size_t(j)] = std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

std::optional<bool> readOnOff(const QString& text) {
    static const QStringList on{QStringLiteral("on"), QStringLiteral("true"), QStringLiteral("yes"),
                                QStringLiteral("1"), QStringLiteral("ya")};
    static const QStringList off{QStringLiteral("off"), QStringLiteral("false"), QStringLiteral("no"),
                                 QStringLiteral("0"), QStringLiteral("tidak")};
    const QString t = text.trimmed().toLower();
    if (on.contains(t)) return true;
    if (off.contains(t)) return false;
    return std::nullopt;
}

} // namespace

QString Key::allowed() const {
    switch (type) {
    case Type::choice: {
        if (choices.size() < 2) return choices.join(QString());
        return QStringList(choices.mid(0, choices.size() - 1)).join(QStringLiteral(", ")) +
               QStringLiteral(" atau ") + choices.last();
    }
    case Type::integer:
        return QString::number(minimum) + QStringLiteral(" sampai ") + QString::number(maximum);
    case Type::onOff:
        return QStringLiteral("on atau off");
    case Type::place:
        return QStringLiteral("auto, nama atau kode tempat, atau \"lat,lon\"");
    }
    return {};
}

const QList<Key>& keys() {
    static const QList<Key> table = buildKeys();
    return table;
}

const Key* find(QStringView name) {
    for (const Key& key : keys())
        if (key.name == name) return &key;
    return nullptr;
}

QString nearestName(QStringView name) {
    QString best;
    int bestDistance = 0;
    for (const Key& key : keys()) {
        const int d = distance(name, key.name);
        if (best.isEmpty() || d < bestDistance) {
            best = key.name;
            bestDistance = d;
        }
    }
    // Past half the name's length the "nearest" key is a guess, not a correction.
    if (best.isEmpty() || bestDistance > std::max<qsizetype>(3, name.size() / 2)) return {};
    return best;
}

Checked check(const Key& key, const QString& text) {
    const QString t = text.trimmed();
    const auto refuse = [&](const QString& why) {
        return Checked{std::nullopt, QStringLiteral("nilai %1 tidak valid: \"%2\" (%3)")
                                         .arg(key.name, oneLine(text.left(kMaxPlaceLength)), why)};
    };
    switch (key.type) {
    case Type::choice:
        for (const QString& choice : key.choices)
            if (t.compare(choice, Qt::CaseInsensitive) == 0) return {choice, {}};
        return refuse(key.allowed());
    case Type::integer: {
        // Digits only, with an optional sign: "7", "+2", "-15"; no "0x10", "1e1" or "7 menit".
        static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]{1,6}$"));
        if (!whole.match(t).hasMatch()) return refuse(QStringLiteral("bilangan bulat ") + key.allowed());
        const int n = t.toInt();
        if (n < key.minimum || n > key.maximum) return refuse(QStringLiteral("bilangan bulat ") + key.allowed());
        return {QString::number(n), {}};
    }
    case Type::onOff:
        if (const auto b = readOnOff(t)) return {*b ? QStringLiteral("on") : QStringLiteral("off"), {}};
        return refuse(key.allowed());
    case Type::place:
        if (t.isEmpty() || t.size() > kMaxPlaceLength || oneLine(t) != t)
            return refuse(key.allowed());
        if (t.compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0) return {QStringLiteral("auto"), {}};
        return {t, {}};
    }
    return refuse(key.allowed());
}

QStringList reminderPrayers() {
    return kReminderPrayers;
}

bool hasAfterReminder(QStringView prayer) {
    return prayer != u"syuruq";
}

QStringList correctedPrayers() {
    return kCorrectedPrayers;
}

} // namespace lumora::SettingsSchema
