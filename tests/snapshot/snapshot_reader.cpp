// Reads the snapshot file over and over while another process replaces it, and reports whether any read
// was neither of the two complete versions the writer alternates between.
// Usage: snapshot_reader <file> <version-a> <version-b> <stop-file>
#include <QByteArray>
#include <QFile>

#include <cstdio>

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
    return f.readAll();
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QByteArray a = readAll(QString::fromLocal8Bit(argv[2]));
    const QByteArray b = readAll(QString::fromLocal8Bit(argv[3]));
    const QString stop = QString::fromLocal8Bit(argv[4]);

    // Enough changes seen to know the reads overlapped the writes; the read limit bounds the run.
    constexpr int kWantedChanges = 40;
    constexpr int kMaxReads = 500000;
    int reads = 0, other = 0, changes = 0, last = -1;
    std::printf("ready\n");
    std::fflush(stdout);
    while (reads < kMaxReads && changes < kWantedChanges && !QFile::exists(stop)) {
        const QByteArray bytes = readAll(file);
        ++reads;
        const int version = bytes == a ? 0 : bytes == b ? 1 : 2;
        if (version == 2) {
            ++other;
            continue;
        }
        if (last >= 0 && version != last) ++changes;
        last = version;
    }
    std::printf("reads=%d other=%d changes=%d\n", reads, other, changes);
    return 0;
}
