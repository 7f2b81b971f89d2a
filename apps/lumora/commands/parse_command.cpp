#include "command_handlers.h"

#include "cli_options.h"
#include "cli_output.h"

#include "schedule/prayer_source.h"

#include <QFile>
#include <QRegularExpression>

namespace lumora::cli {

int parse(const QStringList& args) {
    const Options o = parseOptions(args, {QStringLiteral("city"), QStringLiteral("month")});
    if (!o.error.isEmpty()) return fail(o.error);
    if (o.positionals.size() != 1 || !o.city || !o.month)
        return fail(QStringLiteral("pemakaian: lumora parse FILE --city CODE --month YYYY-MM"));
    if (!QRegularExpression(QStringLiteral(R"(^\d{4}-(0[1-9]|1[0-2])$)")).match(*o.month).hasMatch())
        return fail(QStringLiteral("bulan tidak valid: %1 (contoh: 2026-03)").arg(echoed(*o.month)));
    QFile file(o.positionals.first());
    if (!file.open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("tidak dapat membaca %1: %2").arg(echoed(file.fileName()), file.errorString()));
    // No more than a service answer may hold, so an endless input (/dev/zero) is refused, not swallowed.
    const QByteArray bytes = file.read(PrayerSource::kMaxBodyBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(
            QStringLiteral("tidak dapat membaca %1: %2").arg(echoed(file.fileName()), file.errorString()));
    if (bytes.size() > PrayerSource::kMaxBodyBytes)
        return fail(QStringLiteral("%1 terlalu besar: jawaban layanan paling banyak %2 MiB")
                        .arg(echoed(file.fileName()))
                        .arg(PrayerSource::kMaxBodyBytes / (1024 * 1024)));
    const auto parsed = PrayerSource::parse(QString::fromUtf8(bytes), *o.city, *o.month);
    if (!parsed) return fail(QStringLiteral("jawaban tidak terbaca: %1").arg(echoed(parsed.error())), 2);
    printJson(parsed->toJson());
    return parsed->days.isEmpty() ? 1 : 0;
}

} // namespace lumora::cli
