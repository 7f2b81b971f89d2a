#include "base/settings_file.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace lumora;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Runs the event loop until `done` holds or two seconds pass.
template <class Done>
bool waitFor(Done done) {
    QDeadlineTimer deadline(2000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

// A hand-edited file: one bad value is told for its key and defaulted; the keys around it still read.
TEST(SettingsFile, ABadValueIsToldAndDefaultedWhileTheOthersRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    writeFile(path, "[General]\n"
                    "reminders.ashar.before=7\n"
                    "reminders.isya.before=999\n"
                    "schedule.source=HISAB\n"
                    "hijriCalendar=\"\\x1b[31m\"\n"
                    "fixedLocation=Kota Jayapura\n"
                    "lumora.main.window.frame.v2.frame=\"{{1, 2}, {731, 500}}\"\n");
    SettingsFile file(path);
    EXPECT_EQ(file.value("reminders.ashar.before").value, "7");
    EXPECT_EQ(file.value("reminders.ashar.before").origin, SettingsFile::Origin::setting);
    EXPECT_EQ(file.value("reminders.isya.before").value, "15");
    EXPECT_EQ(file.value("reminders.isya.before").origin, SettingsFile::Origin::defaultValue);
    EXPECT_EQ(file.value("schedule.source").value, "hisab");
    EXPECT_EQ(file.value("hijriCalendar").value, "indonesia");
    EXPECT_EQ(file.value("location").value, "Kota Jayapura") << "the older name still reads";
    EXPECT_EQ(file.value("reminders.subuh.after").value, "5");

    const QStringList problems = file.problems();
    ASSERT_EQ(problems.size(), 2) << problems.join(" | ").toStdString();
    EXPECT_TRUE(problems[0].contains("reminders.isya.before") || problems[1].contains("reminders.isya.before"));
    for (const QString& line : problems)
        EXPECT_FALSE(line.contains(QChar(0x1b))) << "no raw escape reaches a terminal";
}

TEST(SettingsFile, ARefusedSetLeavesTheFileByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    SettingsFile file(path);
    ASSERT_TRUE(file.set("reminders.ashar.before", "7"));
    const QByteArray before = bytesOf(path);
    struct Case {
        const char* key;
        const char* text;
        const char* told;
    } cases[] = {
        {"reminders.ashar.befor", "7", "maksud Anda reminders.ashar.before?"},
        {"reminders.ashar.before", "500", "0 sampai 120"},
        {"schedule.source", "cache", "auto, service atau hisab"},
        {"nothing.like.it.at.all.anywhere", "1", "kunci tidak dikenal"},
    };
    for (const Case& c : cases) {
        QString problem;
        EXPECT_FALSE(file.set(c.key, c.text, &problem)) << c.key;
        EXPECT_TRUE(problem.contains(c.told)) << problem.toStdString();
        EXPECT_EQ(bytesOf(path), before) << c.key;
    }
}

TEST(SettingsFile, SetGetAndResetWithTheOlderName) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    writeFile(path, "[General]\nfixedLocation=Bandung\nhisab=off\n");
    SettingsFile file(path);
    ASSERT_TRUE(file.set("location", "Jayapura"));
    EXPECT_EQ(file.value("location").value, "Jayapura");
    EXPECT_FALSE(bytesOf(path).contains("fixedLocation")) << "one name holds the value";
    ASSERT_TRUE(file.reset("location"));
    EXPECT_EQ(file.value("location").value, "auto");
    EXPECT_EQ(file.value("hisab").value, "off");
    file.resetAll();
    EXPECT_EQ(file.value("hisab").value, "on");
}

// Another program's write (here a second object over the same file, and a plain rewrite of the file as an
// editor does it) is announced once per changed key.
TEST(SettingsFile, ChangesOnDiskAreAnnouncedPerKey) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    SettingsFile watched(path);
    QSignalSpy spy(&watched, &SettingsFile::changed);

    SettingsFile other(path);
    ASSERT_TRUE(other.set("reminders.ashar.before", "7"));
    ASSERT_TRUE(waitFor([&] { return spy.count() >= 1; }));
    EXPECT_EQ(spy.takeFirst().at(0).toString(), "reminders.ashar.before");

    writeFile(path, "[General]\nreminders.ashar.before=7\nschedule.correction.subuh=2\n");
    ASSERT_TRUE(waitFor([&] { return spy.count() >= 1; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 300);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.takeFirst().at(0).toString(), "schedule.correction.subuh");
    EXPECT_EQ(watched.value("schedule.correction.subuh").value, "2");
}

// Each writer read the file before the other wrote: neither write takes back the other's value.
TEST(SettingsFile, AWriterWithAnOlderViewKeepsTheOthersValue) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lumora.conf");
    SettingsFile a(path), b(path);
    for (int round = 0; round < 20; ++round) {
        EXPECT_EQ(a.value("reminders.isya.before").origin, round == 0 ? SettingsFile::Origin::defaultValue
                                                                        : SettingsFile::Origin::setting);
        ASSERT_TRUE(b.set("reminders.isya.before", QString::number(round + 2)));
        ASSERT_TRUE(a.set("reminders.ashar.before", QString::number(round + 1)));
        SettingsFile fresh(path);
        EXPECT_EQ(fresh.value("reminders.ashar.before").value, QString::number(round + 1));
        EXPECT_EQ(fresh.value("reminders.isya.before").value, QString::number(round + 2));
    }
}
