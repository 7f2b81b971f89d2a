#include <QCoreApplication>
#include <QTextStream>

namespace {
void printUsage(QTextStream& out) {
    out << "Pemakaian: lumora <perintah> [pilihan]\n"
           "\n"
           "Perintah:\n"
           "  today      jadwal hari ini dan hitung mundur\n"
           "  month      jadwal satu bulan\n"
           "  parse      membaca jawaban layanan jadwal yang tersimpan\n"
           "  cities     daftar kota\n"
           "  reminders  pengingat yang akan dijadwalkan\n";
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    printUsage(out);
    return 0;
}
