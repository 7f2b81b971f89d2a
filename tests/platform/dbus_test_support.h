#pragma once

#include "platform/sound_player.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace lumora::test {

/// Set by the CTest entry that wraps the program in its own dbus-run-session; run any other way, the D-Bus
/// tests skip rather than talk to the desktop's session bus.
inline bool onPrivateBus() {
    return qgetenv("LUMORA_TEST_PRIVATE_BUS") == "1";
}

#define LUMORA_REQUIRE_PRIVATE_BUS()                                                                         \
    if (!::lumora::test::onPrivateBus())                                                                     \
    GTEST_SKIP() << "needs the private bus CTest starts (ctest -R 'platform.dbus|core.dbus')"

class RecordingPlayer final : public SoundPlayer {
public:
    explicit RecordingPlayer(std::shared_ptr<QStringList> played) : m_played(std::move(played)) {}
    void play(const QString& path) override { m_played->append(path); }

private:
    std::shared_ptr<QStringList> m_played;
};

/// Runs the event loop until `done()` holds or the time is up; returns `done()`.
template <class Pred> bool spinUntil(Pred done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const QDeadlineTimer deadline(limit);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

} // namespace lumora::test
