// Shows a TrayItem to a real StatusNotifierItem host and checks what the host made of it.
//   probe SHOT_DIR          registers, waits for the watcher to list the item, screenshots the panel before
//   and
//                           after a label change and fails unless the tray area is wider than an icon and
//                           changes
//   probe --idle SECONDS    changes the label once a minute for SECONDS and prints the CPU time it used
//   probe --app LUMORA SHOT_DIR
//                           starts the real app instead, waits for the watcher to list its item, and
//                           screenshots the panel: the tray area must be wider than an icon
//   probe --app-idle LUMORA SECONDS
//                           leaves the real app idling under the host and prints its CPU time
#include "shell/status_notifier_item.h"
#include "shell/tray_item.h"

#include <unistd.h>

#include <algorithm>

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QImage>
#include <QPixmap>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

using namespace lumora;
using namespace std::chrono_literals;

namespace {

// Polls from a real event loop, so waiting costs no CPU and does not skew the idle measurement.
template <class Pred> bool spinUntil(Pred done, std::chrono::milliseconds limit) {
    const QDeadlineTimer deadline(limit);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || deadline.hasExpired()) loop.quit();
    });
    poll.start(50);
    if (!done()) loop.exec();
    return done();
}

void spinFor(std::chrono::milliseconds time) {
    spinUntil([] { return false; }, time);
}

// Asked without blocking: the host (the watcher too, in xfce4-panel) reads our item synchronously as it
// registers it, and a blocking call here would leave both waiting on each other until the call times out.
QStringList registeredItems() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("RegisteredStatusNotifierItems");
    QDBusPendingCallWatcher pending(QDBusConnection::sessionBus().asyncCall(get));
    spinUntil([&] { return pending.isFinished(); }, 5s);
    return pending.reply().arguments().value(0).value<QDBusVariant>().variant().toStringList();
}

/// The horizontal extent of everything drawn on the panel strip that is not its background.
QRect panelContent(const QImage& shot, int panelHeight) {
    const QColor background = shot.pixelColor(shot.width() - 3, panelHeight / 2);
    QRect box;
    for (int y = 0; y < panelHeight; ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (shot.pixelColor(x, y) != background) box |= QRect(x, y, 1, 1);
    return box;
}

QImage grabPanel(int panelHeight) {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen->grabWindow(0, 0, 0, screen->geometry().width(), panelHeight).toImage();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

constexpr int kPanelHeight = 32;

bool listedWith(const QString& prefix) {
    const QStringList items = registeredItems();
    return std::any_of(items.begin(), items.end(), [&](const QString& i) { return i.startsWith(prefix); });
}

double processCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    return (fields.value(13).toDouble() + fields.value(14).toDouble()) / sysconf(_SC_CLK_TCK);
}

/// With `idleSeconds` above 0, the app is left idling under the host instead and its CPU time is printed.
int probeApp(const QString& lumora, const QString& dir, int idleSeconds = 0) {
    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUMORA_SCHEDULE_URL"), QString());
    env.insert(QStringLiteral("LUMORA_NOTIFICATIONS"), QStringLiteral("off"));
    env.insert(QStringLiteral("LUMORA_LOCATION"), QStringLiteral("-6.2088,106.8456"));
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    app.start(lumora, {});
    if (!app.waitForStarted()) return 1;
    const QString service = QStringLiteral("org.kde.StatusNotifierItem-%1-1").arg(app.processId());
    const bool listed = spinUntil([&] { return listedWith(service); }, 20s);
    std::printf("app item %s listed: %s\n", qPrintable(service), listed ? "yes" : "no");
    bool ok = listed;
    if (listed && idleSeconds > 0) {
        const QString unique = QDBusConnection::sessionBus().interface()->serviceOwner(service).value();
        spinFor(3s); // the host's first reads are not idle traffic
        std::printf("app unique name %s\nidle-start %.3f\n", qPrintable(unique),
                    QDateTime::currentMSecsSinceEpoch() / 1000.0);
        std::fflush(stdout);
        const double before = processCpuSeconds(app.processId());
        spinFor(std::chrono::seconds(idleSeconds));
        const double used = processCpuSeconds(app.processId()) - before;
        std::printf("idle-end %.3f\napp cpu %.3f s over %d s = %.3f %% of one core\n",
                    QDateTime::currentMSecsSinceEpoch() / 1000.0, used, idleSeconds, 100.0 * used / idleSeconds);
    } else if (listed) {
        spinFor(2s);
        const QImage shot = grabPanel(kPanelHeight);
        shot.save(dir + QStringLiteral("/app-tray.png"));
        const QRect area = panelContent(shot, kPanelHeight);
        std::printf("app tray area: %d px wide\n", area.width());
        ok = area.width() > 2 * kPanelHeight;
    }
    app.terminate();
    app.waitForFinished(10'000);
    return ok && app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: %s SHOT_DIR | --idle SECONDS\n", argv[0]);
        return 2;
    }
    if (!spinUntil(
            [] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    QStringLiteral("org.kde.StatusNotifierWatcher"));
            },
            20s)) {
        std::fprintf(stderr, "no StatusNotifierWatcher appeared\n");
        return 1;
    }

    if (args.at(1) == QLatin1String("--app")) return probeApp(args.value(2), args.value(3));
    if (args.at(1) == QLatin1String("--app-idle")) return probeApp(args.value(2), QString(), args.value(3).toInt());

    TrayItem tray;
    tray.setTitle(QStringLiteral(" ASHAR -1j 15m"));
    tray.setToolTip(QStringLiteral("Jakarta\nAshar 15:02\n-1j 15m"));
    tray.setMenuTime(QStringLiteral("15:02"));
    const QString service = tray.statusNotifierItem() ? tray.statusNotifierItem()->serviceName() : QString();
    const QString unique = QDBusConnection::sessionBus().baseService();
    const auto listed = [&] {
        const QStringList items = registeredItems();
        for (const QString& item : items)
            if (item.startsWith(service) || item.startsWith(unique + QLatin1Char('/')) || item == unique)
                return true;
        return false;
    };
    if (!spinUntil(listed, 15s)) {
        std::fprintf(stderr, "the watcher does not list %s: %s\n", qPrintable(service),
                     qPrintable(registeredItems().join(QLatin1Char(' '))));
        return 1;
    }
    std::printf("listed: %s (unique name %s)\n", qPrintable(service), qPrintable(unique));
    std::fflush(stdout);

    if (args.at(1) == QLatin1String("--idle")) {
        const int seconds = args.value(2).toInt();
        spinFor(3s); // the host's first reads are not idle traffic
        std::printf("idle-start %.3f\n", QDateTime::currentMSecsSinceEpoch() / 1000.0);
        std::fflush(stdout);
        const double before = cpuSeconds();
        int minute = 0;
        const auto nextMinute = [&] {
            ++minute;
            tray.setTitle(QStringLiteral(" ASHAR -%1m").arg(59 - minute));
            tray.setToolTip(QStringLiteral("Jakarta\nAshar 15:02\n-%1m").arg(59 - minute));
        };
        QTimer everyMinute;
        QObject::connect(&everyMinute, &QTimer::timeout, nextMinute);
        // Half a minute out of step with the start, so every change falls well inside the measured time.
        QTimer::singleShot(30s, &app, [&] {
            nextMinute();
            everyMinute.start(60s);
        });
        QTimer::singleShot(std::chrono::seconds(seconds), &app, &QCoreApplication::quit);
        app.exec();
        const double used = cpuSeconds() - before;
        std::printf("idle-end %.3f\n", QDateTime::currentMSecsSinceEpoch() / 1000.0);
        std::printf("idle: %d label changes, cpu %.3f s over %d s = %.3f %% of one core\n", minute, used,
                    seconds, 100.0 * used / seconds);
        return 0;
    }

    const QString dir = args.at(1);
    const int panelHeight = kPanelHeight;
    spinFor(2s);
    const QImage first = grabPanel(panelHeight);
    first.save(dir + QStringLiteral("/tray-label-1.png"));
    tray.setTitle(QStringLiteral(" DHUHA / ISYROQ -2j 5m"));
    spinFor(2s);
    const QImage second = grabPanel(panelHeight);
    second.save(dir + QStringLiteral("/tray-label-2.png"));

    const QRect a = panelContent(first, panelHeight), b = panelContent(second, panelHeight);
    std::printf("tray area: %d px wide with the first label, %d px with the second\n", a.width(), b.width());
    // The icon alone is at most the panel's height wide; a label makes the area a good deal wider.
    bool ok = a.width() > 2 * panelHeight && b.width() > 2 * panelHeight;
    if (first.copy(a.united(b)) == second.copy(a.united(b))) {
        std::fprintf(stderr, "the panel did not change with the label\n");
        ok = false;
    }
    return ok ? 0 : 1;
}
