#include "desktop_app.h"

#include "instance_channel.h"
#include "unix_signals.h"

#include "core/app_view_model.h"
#include "core/prayer_repository.h"
#include "core/single_instance_lock.h"
#include "model/data_folder.h"
#include "places/city_catalog.h"
#include "places/location_service.h"
#include "places/resource_locator.h"
#include "places/vesk_store.h"
#include "platform/linux/dbus_notification_backend.h"
#include "platform/location_provider.h"
#include "platform/notification_center.h"
#include "platform/system_events.h"
#include "schedule/prayer_source.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QIcon>
#include <QLabel>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

namespace lumora {

namespace {

Q_LOGGING_CATEGORY(lcApp, "lumora.app", QtInfoMsg)

using namespace std::chrono_literals;

/// What a second start waits for the first copy's answer before it gives up and exits all the same.
constexpr auto kActivateLimit = 2s;
/// At login the panel may come up after the app; `--hidden` waits this long for it before showing the window.
constexpr auto kTrayHostGrace = 5s;
constexpr auto kTrayHostPoll = 250ms;

void showAndRaise(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

/// Something can show the tray item: a StatusNotifierItem host, or an X11 system tray for the fallback.
bool trayHostAvailable() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (bus && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value()) return true;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

/// Everything the running app is made of, built once.
class DesktopApp : public QObject {
public:
    DesktopApp()
        : m_store(dataFolder(), Settings(), SystemClock::instance()), m_catalog(m_store, m_network),
          m_repository(PrayerSource(m_network, QString::fromLatin1(PrayerSource::kDefaultUserAgent)),
                       m_catalog, m_store, SystemClock::instance()),
          m_location(createLocationProvider(m_store.settings().text(LocationService::kFixedLocationKey)),
                     m_store),
          m_notifications(SystemClock::instance(), makeDesktopNotificationBackend()),
          m_viewModel(m_location, m_repository, m_notifications.isAvailable() ? &m_notifications : nullptr,
                      SystemClock::instance(), QDBusConnection::sessionBus()),
          m_systemEvents(makeSystemEvents()) {
        m_window.setWindowTitle(QStringLiteral("lumora"));
        m_window.resize(731, 500);
        auto* layout = new QVBoxLayout(&m_window);
        layout->addWidget(&m_summary);
        m_summary.setAlignment(Qt::AlignCenter);
        connect(&m_viewModel, &AppViewModel::stateChanged, this, &DesktopApp::renderSummary);
        connect(&m_viewModel, &AppViewModel::countdownNowChanged, this, &DesktopApp::renderSummary);

        connect(&m_channel, &InstanceChannel::activateRequested, this, [this] {
            qCDebug(lcApp) << "another start asked to activate this copy";
            showAndRaise(m_window);
        });
        connect(m_systemEvents.get(), &SystemEvents::didWake, &m_viewModel, &AppViewModel::handleAppResumed);
        connect(m_systemEvents.get(), &SystemEvents::timeZoneChanged, &m_viewModel,
                &AppViewModel::handleTimeZoneChanged);
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
            if (s == Qt::ApplicationActive && m_viewModel.hasStarted()) m_viewModel.handleAppResumed();
        });
        connect(&m_signals, &UnixSignals::terminationRequested, qApp, &QCoreApplication::quit);
    }

    bool listen() {
        const bool ok = m_channel.listen();
        if (ok)
            qCDebug(lcApp) << "listening for later starts at" << InstanceChannel::socketPath();
        else
            qCWarning(lcApp) << "cannot listen at" << InstanceChannel::socketPath()
                             << "; a later start will not bring this window forward";
        return ok;
    }

    /// `hidden`: started at login; the window waits for the tray unless nothing could ever show the tray.
    void start(bool hidden) {
        if (!hidden) {
            showAndRaise(m_window);
            qCDebug(lcApp) << "window shown at start";
        } else {
            waitForTrayHost(QDeadlineTimer(kTrayHostGrace));
        }
        // The view model starts once the window is up, so the first paint never waits for a load.
        QMetaObject::invokeMethod(
            this, [this] { m_viewModel.bootstrap(); }, Qt::QueuedConnection);
    }

private:
    /// Never leaves the app invisible: without a tray host by the deadline the window is shown after all.
    void waitForTrayHost(QDeadlineTimer deadline) {
        if (m_window.isVisible()) return; // already opened by a later start
        if (trayHostAvailable()) {
            qCDebug(lcApp) << "window not shown at start (--hidden); it opens from the tray";
        } else if (deadline.hasExpired()) {
            showAndRaise(m_window);
            qCDebug(lcApp) << "window shown at start: --hidden, but there is no tray host to open it from";
        } else {
            QTimer::singleShot(kTrayHostPoll, this, [this, deadline] { waitForTrayHost(deadline); });
        }
    }

    void renderSummary() {
        const AppState& s = m_viewModel.state();
        m_summary.setText(s.cityName + QStringLiteral("\n") + s.todayLabel + QStringLiteral("\n") +
                          s.statusText);
    }

    QNetworkAccessManager m_network;
    VeskStore m_store;
    CityCatalog m_catalog;
    PrayerRepository m_repository;
    LocationService m_location;
    NotificationCenter m_notifications;
    AppViewModel m_viewModel;
    std::unique_ptr<SystemEvents> m_systemEvents;
    InstanceChannel m_channel;
    UnixSignals m_signals;
    QWidget m_window;
    QLabel m_summary;
};

} // namespace

int runDesktopApp(int& argc, char** argv, const QStringList& args) {
    SingleInstanceLock lock(dataFolder());
    if (!lock.acquire()) {
        // A second copy never builds a window, a tray item or a view model: it wakes the first and leaves,
        // also when the first is still starting or hung and does not answer.
        QCoreApplication core(argc, argv);
        const bool answered = InstanceChannel::activateRunningCopy(kActivateLimit);
        qCDebug(lcApp) << "lumora is already running; activated it:" << answered;
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("lumora"));
    QApplication::setApplicationName(QStringLiteral("lumora"));
    QApplication::setDesktopFileName(QStringLiteral("lumora"));
    // Closing the window leaves the app in the tray; only "Exit" or a signal ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    if (const auto icon = ResourceLocator::path(QStringLiteral("vesk_sholat_v2"), QStringLiteral("png")))
        QApplication::setWindowIcon(QIcon(*icon));

    DesktopApp desktop;
    desktop.listen();
    desktop.start(args.contains(QStringLiteral("--hidden")));
    return app.exec();
}

} // namespace lumora
