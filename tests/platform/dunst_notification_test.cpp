// Posts through the D-Bus backend to a real notification daemon (dunst on its own Xvfb display, on the
// private bus CTest starts) and reads the result back from dunst's history.
#include "platform/linux/dbus_notification_backend.h"

#include "platform/dbus_test_support.h"
#include "support/printers.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/prctl.h>

using namespace lumora;
using namespace std::chrono_literals;

namespace {

// Children die with the test program even if it crashes, so no Xvfb or dunst is ever left behind.
void dieWithParent(QProcess& p) {
    p.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

void stop(std::unique_ptr<QProcess>& p) {
    if (!p) return;
    if (p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    p.reset();
}

QByteArray run(const QString& program, const QStringList& args) {
    QProcess p;
    dieWithParent(p);
    p.start(program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(5000);
        return {};
    }
    return p.readAllStandardOutput();
}

struct HistoryEntry {
    QString summary, body, appName;
};

// `dunstctl history` prints busctl's JSON: {"data": [[{"summary": {"data": ...}, ...}, ...]]}.
QList<HistoryEntry> history() {
    const QJsonObject doc = QJsonDocument::fromJson(run("dunstctl", {"history"})).object();
    QList<HistoryEntry> out;
    for (const QJsonValue& v : doc.value("data").toArray().at(0).toArray()) {
        const QJsonObject e = v.toObject();
        auto field = [&](const char* key) { return e.value(key).toObject().value("data").toString(); };
        out.append({field("summary"), field("body"), field("appname")});
    }
    return out;
}

class DunstTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!test::onPrivateBus()) return;
        s_dir = std::make_unique<QTemporaryDir>();
        const QString runtime = s_dir->path() + "/runtime";
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.remove("WAYLAND_DISPLAY");

        // -displayfd picks a free display and prints its number once the server accepts connections.
        s_xvfb = std::make_unique<QProcess>();
        dieWithParent(*s_xvfb);
        s_xvfb->setProcessEnvironment(env);
        s_xvfb->setStandardErrorFile(QProcess::nullDevice());
        s_xvfb->start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
        if (!s_xvfb->waitForReadyRead(20000)) {
            s_error = "Xvfb did not start";
            return;
        }
        const QByteArray display = s_xvfb->readLine().trimmed();
        env.insert("DISPLAY", ":" + QString::fromLatin1(display));

        // No expiry: notifications stay until closed, which moves them into the history.
        const QString config = s_dir->path() + "/dunstrc";
        QFile f(config);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write("[global]\n    timeout = 0\n    history_length = 50\n") < 0) {
            s_error = "cannot write dunstrc";
            return;
        }
        f.close();

        s_dunst = std::make_unique<QProcess>();
        dieWithParent(*s_dunst);
        s_dunst->setProcessEnvironment(env);
        s_dunst->setStandardErrorFile(QProcess::nullDevice());
        s_dunst->setStandardOutputFile(QProcess::nullDevice());
        s_dunst->start("dunst", {"-config", config});
        const QDeadlineTimer deadline(20s);
        auto* bus = QDBusConnection::sessionBus().interface();
        while (!bus->isServiceRegistered(DbusNotificationBackend::kService) && !deadline.hasExpired() &&
               s_dunst->state() != QProcess::NotRunning)
            QThread::msleep(50);
        if (!bus->isServiceRegistered(DbusNotificationBackend::kService)) s_error = "dunst did not start";
    }

    static void TearDownTestSuite() {
        stop(s_dunst);
        stop(s_xvfb);
        s_dir.reset();
    }

    void SetUp() override {
        LUMORA_REQUIRE_PRIVATE_BUS();
        ASSERT_TRUE(s_error.isEmpty()) << s_error.toStdString();
    }

    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline std::unique_ptr<QProcess> s_xvfb, s_dunst;
    static inline QString s_error;
};

} // namespace

TEST_F(DunstTest, PostedNotificationsReachTheDaemon) {
    const QString takbir = "/usr/share/lumora/sounds/takbir.wav";
    auto played = std::make_shared<QStringList>();
    DbusNotificationBackend backend(QDBusConnection::sessionBus(), takbir,
                                    std::make_unique<test::RecordingPlayer>(played));
    const NotificationRequest main{"2026-03-14-subuh-main", "Waktu SUBUH telah masuk",
                                   QStringLiteral(u"Jakarta \u2022 04:38"), NotificationSound::takbir,
                                   NotificationTrigger{2026, 3, 14, 4, 38}};
    const NotificationRequest after{"2026-03-14-subuh-5after",
                                    QStringLiteral("Sudah 5 menit dari adzan SUBUH (Jakarta 04:38)"), "",
                                    NotificationSound::none, NotificationTrigger{2026, 3, 14, 4, 43}};
    ASSERT_TRUE(QCoro::waitFor(backend.post(main)));
    ASSERT_TRUE(QCoro::waitFor(backend.post(after)));

    run("dunstctl", {"close-all"});
    QList<HistoryEntry> entries;
    ASSERT_TRUE(test::spinUntil([&] { return (entries = history()).size() >= 2; }))
        << "history holds " << entries.size();
    auto find = [&](const QString& summary) {
        return std::find_if(entries.begin(), entries.end(),
                            [&](const auto& e) { return e.summary == summary; });
    };
    const auto m = find(main.title);
    ASSERT_NE(m, entries.end());
    EXPECT_EQ(m->body, main.body);
    EXPECT_EQ(m->appName, "Lumora");
    const auto a = find(after.title);
    ASSERT_NE(a, entries.end());
    EXPECT_EQ(a->body, "");
    EXPECT_EQ(a->appName, "Lumora");

    // dunst plays no sounds itself, so the takbir was played here, once.
    EXPECT_EQ(*played, QStringList{takbir});
}
