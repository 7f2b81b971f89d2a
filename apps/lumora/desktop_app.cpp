#include "desktop_app.h"

#include "instance_channel.h"
#include "unix_signals.h"

#include "base/one_line.h"
#include "base/user_folders.h"
#include "core/app_config.h"
#include "core/app_services.h"
#include "core/app_view_model.h"
#include "core/notification_center.h"
#include "core/single_instance_lock.h"
#include "model/app_identity.h"
#include "model/dashboard_model.h"
#include "places/storage.h"
#include "platform/resource_locator.h"
#include "platform/system_events.h"
#include "shell/dashboard_view.h"
#include "shell/main_window.h"
#include "shell/tray_controller.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QIcon>
#include <QLoggingCategory>
#include <QShortcut>
#include <QSystemTrayIcon>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

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
    // Raising a minimized window leaves it an icon in the taskbar: it is restored first (a maximized one
    // stays maximized), so "Buka Lumora", a click on the item and a second start all bring it back in view.
    if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
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
    /// `clock` (the system's, or one `--at` moved) must outlive the app.
    DesktopApp(AppConfig config, const Clock& clock)
        : m_services(std::move(config), clock),
          m_viewModel(m_services.locationService(), m_services.repository(), notificationsFor(m_services),
                      m_services.clock(), QDBusConnection::sessionBus()),
          m_systemEvents(makeSystemEvents()), m_window(Settings(m_services.config().settingsPath)) {
        m_window.setWindowTitle(QStringLiteral("lumora"));
        connect(m_window.dashboard(), &DashboardView::refreshRequested, &m_viewModel,
                &AppViewModel::startRefresh);
        connect(&m_tray, &TrayController::refreshRequested, &m_viewModel, &AppViewModel::startRefresh);
        // A reminder changed in the settings file (by `lumora config`, an editor or the settings window)
        // replaces what is pending without a restart.
        Preferences& preferences = m_services.preferences();
        m_viewModel.setReminderPlan(ReminderPlan::from(preferences));
        connect(&preferences, &Preferences::changed, this, [this, &preferences](const QString& key) {
            if (key.startsWith(QStringLiteral("reminders.")))
                m_viewModel.setReminderPlan(ReminderPlan::from(preferences));
            // A corrected time is a new schedule for every face: one load rebuilds them all. A file write
            // that moves several corrections at once settles into one burst of changes, and a refresh for
            // the same place and day joins the one in flight.
            if (key.startsWith(QStringLiteral("schedule.correction."))) {
                m_services.repository().setCorrections(preferences.corrections());
                m_viewModel.startRefresh();
            }
        });
        connect(&m_window, &MainWindow::closed, this, &DesktopApp::windowClosed);
        auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &m_window);
        connect(quit, &QShortcut::activated, qApp, &QCoreApplication::quit);
        for (auto changed : {&AppViewModel::stateChanged, &AppViewModel::countdownNowChanged,
                             &AppViewModel::blinkNowChanged, &AppViewModel::isLoadingChanged,
                             &AppViewModel::locationStatusChanged})
            connect(&m_viewModel, changed, this, &DesktopApp::renderDashboard);

        connect(&m_channel, &InstanceChannel::activateRequested, this, [this] {
            qCDebug(lcApp) << "another start asked to activate this copy";
            showWindow();
        });
        connect(m_systemEvents.get(), &SystemEvents::didWake, &m_viewModel, &AppViewModel::handleAppResumed);
        // With TZ set the user chose the zone for this process; the system's changes are not ours to follow.
        if (m_services.config().followSystemTimeZone)
            connect(m_systemEvents.get(), &SystemEvents::timeZoneChanged, &m_viewModel,
                    &AppViewModel::handleTimeZoneChanged);
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
            if (s == Qt::ApplicationActive && m_viewModel.hasStarted()) m_viewModel.handleAppResumed();
        });
        connect(&m_signals, &UnixSignals::terminationRequested, qApp, &QCoreApplication::quit);
        connect(&m_tray, &TrayController::openAppRequested, this, &DesktopApp::showWindow);
        connect(&m_tray, &TrayController::exitAppRequested, qApp, &QCoreApplication::quit);
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
            showWindow();
            qCDebug(lcApp) << "window shown at start";
        } else {
            waitForTrayHost(QDeadlineTimer(kTrayHostGrace));
        }
        // The view model starts once the window is up, so the first paint never waits for a load.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_tray.attach(m_viewModel);
                m_viewModel.bootstrap();
            },
            Qt::QueuedConnection);
    }

private:
    /// Never leaves the app invisible: without a tray host by the deadline the window is shown after all.
    void waitForTrayHost(QDeadlineTimer deadline) {
        if (m_window.isVisible()) return; // already opened by a later start
        if (trayHostAvailable()) {
            qCDebug(lcApp) << "window not shown at start (--hidden); it opens from the tray";
        } else if (deadline.hasExpired()) {
            showWindow();
            qCDebug(lcApp) << "window shown at start: --hidden, but there is no tray host to open it from";
        } else {
            QTimer::singleShot(kTrayHostPoll, this, [this, deadline] { waitForTrayHost(deadline); });
        }
    }

    /// With no tray to reopen it from, a closed window would leave the app running out of reach.
    void windowClosed() {
        if (trayHostAvailable()) {
            qCDebug(lcApp) << "window closed; the app goes on in the tray";
            return;
        }
        qCDebug(lcApp) << "window closed and no tray item is shown: quitting";
        QCoreApplication::quit();
    }

    void renderDashboard() {
        // A hidden window is brought up to date when it is shown again, not every second in the background.
        if (!m_window.isVisible()) return;
        m_window.dashboard()->setModel(dashboardModel(m_viewModel.state(), m_viewModel.countdownNow(),
                                                      m_viewModel.blinkNow(), m_viewModel.isLoading(),
                                                      m_viewModel.locationStatus()));
    }

    void showWindow() {
        showAndRaise(m_window);
        renderDashboard();
    }

    static NotificationCenter* notificationsFor(AppServices& services) {
        NotificationCenter& center = services.notificationCenter();
        return center.isAvailable() ? &center : nullptr;
    }

    AppServices m_services;
    AppViewModel m_viewModel;
    std::unique_ptr<SystemEvents> m_systemEvents;
    InstanceChannel m_channel;
    UnixSignals m_signals;
    TrayController m_tray;
    MainWindow m_window;
};

} // namespace

int runDesktopApp(int& argc, char** argv, const AppOptions& options) {
    SingleInstanceLock lock(UserFolders::resolve().dataFolder);
    const bool held = lock.acquire();
    if (!held && lock.state() == AdvisoryLock::State::cannotOpen) {
        // Not another copy: nobody could ever answer a knock, so saying nothing would look like success.
        QTextStream(stderr)
            << "lumora: "
            << QStringLiteral("tidak dapat membuka kunci %1: %2").arg(echoed(lock.lockPath()), lock.reason())
            << Qt::endl;
        return 1;
    }
    if (!held) {
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
    QApplication::setDesktopFileName(QString::fromLatin1(AppIdentity::kDesktopEntry));
    // Closing the window leaves the app in the tray when there is one; DesktopApp decides.
    QApplication::setQuitOnLastWindowClosed(false);
    // `--at`: the whole app lives from that moment on, at the system clock's pace.
    std::optional<OffsetClock> shifted;
    if (options.at) shifted.emplace(*options.at);
    const Clock& clock = shifted ? static_cast<const Clock&>(*shifted) : SystemClock::instance();
    if (shifted) qCDebug(lcApp) << "clock starts at" << options.at->seconds << "(--at)";
    AppConfig config = AppConfig::resolve();
    // The same one line the command line prints; the app goes on with the device's location.
    if (!config.locationProblem.isEmpty()) qCWarning(lcApp).noquote() << "lumora:" << config.locationProblem;
    if (const auto icon = ResourceLocator(config.resourceFolders)
                              .path(QStringLiteral("vesk_sholat_v2"), QStringLiteral("png")))
        QApplication::setWindowIcon(QIcon(*icon));
    DesktopApp desktop(std::move(config), clock);
    desktop.listen();
    desktop.start(options.hidden);
    return app.exec();
}

} // namespace lumora
