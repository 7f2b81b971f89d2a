#include "notification_center.h"

#include "core/core_log.h"

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {
// A request is delivered only while its own minute lasts.
constexpr double kMinute = 60.0;
} // namespace

NotificationCenter::NotificationCenter(const Clock& clock, std::unique_ptr<NotificationBackend> backend,
                                       bool enabled, QObject* parent)
    : QObject(parent), m_clock(clock), m_backend(std::move(backend)), m_enabled(enabled) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &NotificationCenter::check);
}

NotificationCenter::~NotificationCenter() = default;

bool NotificationCenter::isAvailable() const {
    return m_enabled && m_backend && m_backend->isAvailable();
}

void NotificationCenter::add(const NotificationRequest& request) {
    m_pending.removeIf([&](const Entry& e) { return e.request.identifier == request.identifier; });
    const std::optional<Instant> fireAt = request.trigger.instant();
    if (fireAt && m_clock.now() < *fireAt) m_pending.append(Entry{request, *fireAt});
    arm();
}

void NotificationCenter::removeAllPending() {
    m_pending.clear();
    arm();
}

QList<NotificationRequest> NotificationCenter::pendingRequests() const {
    QList<NotificationRequest> out;
    out.reserve(m_pending.size());
    for (const Entry& e : m_pending)
        out.append(e.request);
    return out;
}

void NotificationCenter::clockChanged() {
    check();
}

void NotificationCenter::check() {
    const Instant now = m_clock.now();
    QList<Entry> due;
    m_pending.removeIf([&](const Entry& e) {
        if (e.fireAt > now) return false;
        due.append(e);
        return true;
    });
    std::stable_sort(due.begin(), due.end(),
                     [](const Entry& a, const Entry& b) { return a.fireAt < b.fireAt; });
    // Arm before delivering, so that a backend which re-enters the centre finds a consistent state.
    arm();
    for (const Entry& e : due) {
        if (now - e.fireAt < kMinute) {
            qCDebug(coreLog).noquote() << "notification due:" << e.request.identifier;
            m_backend->deliver(e.request);
        } else {
            qCDebug(coreLog).noquote() << "notification missed, dropped:" << e.request.identifier;
        }
    }
}

void NotificationCenter::arm() {
    m_armedDelay = nextDelay();
    if (m_armedDelay)
        m_timer.start(*m_armedDelay);
    else
        m_timer.stop();
}

std::optional<std::chrono::milliseconds> NotificationCenter::nextDelay() const {
    if (m_pending.isEmpty()) return std::nullopt;
    const auto earliest =
        std::min_element(m_pending.begin(), m_pending.end(),
                         [](const Entry& a, const Entry& b) { return a.fireAt < b.fireAt; });
    const double seconds = earliest->fireAt - m_clock.now();
    // Rounded up so the timer never wakes a hair early and spins.
    const double ms = std::clamp(std::ceil(seconds * 1000.0), 0.0, static_cast<double>(kMaxSleep.count()));
    return std::chrono::milliseconds(static_cast<qint64>(ms));
}

} // namespace lumora
