#include "commands.h"

#include "cli_output.h"
#include "commands/command_handlers.h"

#include <QTextStream>

#include <cerrno>
#include <cstring>

namespace lumora::cli {

namespace {

/// The column the help of each command starts at in the usage text.
constexpr qsizetype kHelpColumn = 39;

struct Command {
    const char* name;
    int (*run)(const QStringList& args);
    /// What follows the name in the usage text.
    const char* arguments;
    /// Its help in the usage text; a line break continues it on the next line, at the help column.
    const char* help;
    /// Paints, and so needs a QGuiApplication instead of a core one.
    bool drawsPictures = false;
};

int helpCommand(const QStringList&);
int versionCommand(const QStringList&);

const Command kCommands[] = {
    {"today", today, "[--json | --watch] [--at WAKTU]",
     "jadwal hari ini dan hitung mundur (--watch: terus diperbarui)"},
    {"reminders", reminders, "[--json] [--at WAKTU]", "pengingat yang akan dijadwalkan, dengan waktunya"},
    {"status", status, "[--json | --waybar] [--follow] [--at WAKTU]",
     "judul ikon baki (--follow: satu baris setiap kali berubah;\n--waybar: JSON untuk waybar)"},
    {"dashboard", dashboard, "[--json] [--at WAKTU] [--loading]", "isi jendela utama"},
    {"screenshot", screenshot, "FILE.png [--at WAKTU] [--size LxT] [--scale N] [--loading]",
     "gambar jendela utama (bawaan 731x500, skala 1)", true},
    {"month", month, "[KOTA] [YYYY-MM] [--json] [--at WAKTU] [--source SUMBER]",
     "jadwal satu bulan; SUMBER: auto (bawaan), cache,\nservice atau hisab"},
    {"parse", parse, "FILE --city KODE --month YYYY-MM", "membaca jawaban layanan jadwal yang tersimpan"},
    {"cities", cities, "[KUERI] [--json]", "daftar kota, atau kota yang cocok"},
    {"places", places, "[KUERI] [--json]",
     "daftar kabupaten dan kota (kode, nama, provinsi,\nkoordinat, zona), yang paling cocok lebih dulu"},
    {"hijri", hijri, "[YYYY-MM-DD] [--json] [--calendar indonesia|ummalqura]",
     "tanggal Hijriah dan awal tiga bulan berikutnya"},
    {"autostart", autostart, "on|off|status", "mulai saat login (lumora --hidden) atau tidak"},
    {"config", config, "list [--json] | get KUNCI | set KUNCI NILAI | reset KUNCI|--all | path",
     "pengaturan: nilai, bawaan dan asalnya; perubahan berlaku\nsegera di aplikasi yang berjalan"},
    {"help", helpCommand, "", "teks ini"},
    {"--version", versionCommand, "", "versi program"},
};

/// Other names `lumora` answers to, each standing for a command of the table.
const std::pair<const char*, const char*> kAliases[] = {{"--help", "help"}, {"-h", "help"}};

const Command* commandNamed(const QString& asked) {
    QString name = asked;
    for (const auto& [alias, target] : kAliases)
        if (name == QLatin1String(alias)) name = QLatin1String(target);
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

/// "  name arguments", then the help at its column: on the same line when there is room, else below.
void printCommandUsage(QTextStream& s, const Command& c) {
    QString head = QStringLiteral("  ") + QLatin1String(c.name);
    if (*c.arguments) head += u' ' + QLatin1String(c.arguments);
    const QString indent(kHelpColumn, u' ');
    if (head.size() < kHelpColumn)
        s << head.leftJustified(kHelpColumn);
    else
        s << head << '\n' << indent;
    s << QString::fromUtf8(c.help).replace(u'\n', u'\n' + indent) << '\n';
}

int helpCommand(const QStringList&) {
    printUsage(out());
    return 0;
}

int versionCommand(const QStringList&) {
    out() << versionLine() << '\n';
    return 0;
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
         "Perintah:\n";
    for (const Command& c : kCommands)
        printCommandUsage(s, c);
    s << "\n"
         "WAKTU adalah waktu setempat ISO 8601, misalnya 2026-03-07T05:50:00.\n"
         "\n"
         "Lokasi: kota terdekat dari lokasi perangkat (GeoClue), atau lokasi tetap dari variabel\n"
         "LUMORA_LOCATION (\"lintang,bujur\" atau nama tempat: LUMORA_LOCATION=\"-6.9175,107.6191\" atau\n"
         "LUMORA_LOCATION=Jayapura) atau dari pengaturan fixedLocation di ~/.config/lumora/lumora.conf;\n"
         "LUMORA_LOCATION didahulukan. Cari nama tempat dengan: lumora places KUERI\n";
}

bool drawsPictures(QByteArrayView command) {
    const Command* c = commandNamed(QString::fromLocal8Bit(command));
    return c && c->drawsPictures;
}

int run(const QStringList& args) {
    const QString name = args.value(0);
    const Command* command = args.isEmpty() ? commandNamed(QStringLiteral("help")) : commandNamed(name);
    const int status =
        command ? command->run(args.mid(1))
                : fail(QStringLiteral("perintah tidak dikenal: %1 (lihat: lumora help)").arg(echoed(name)));
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
