// The tray, the window and the widget each render the countdown their own way; at any instant they must show
// the same minute and the same phase, or a user sees three different answers side by side.
#include "model/dashboard_model.h"
#include "model/prayer_display.h"
#include "model/tray_presentation.h"
#include "widget/lumora_widget_provider.h"

#include "widget_fixtures.h"

#include "support/printers.h"
#include "support/sample_days.h"

#include <gtest/gtest.h>

using namespace lumora;
using test::at;

namespace {

AppState jakartaState(Instant now) {
    const PrayerMonthCache month{
        "jkt", "2026-03", {test::sampleDay("2026-03-07"), test::sampleDay("2026-03-08")}};
    return buildState(fallbackJakarta(), month, {}, GeoPoint{-6.2, 106.8}, now);
}

struct Faces {
    QString tray;    ///< the title beside the icon
    QString tooltip; ///< its last line
    QString window;  ///< the dashboard's countdown line
    QString widget;  ///< the status line of the widget entry on show
};

/// Each face as the running programs build it: the widget from a timeline made `timelineAge` seconds
/// earlier out of the snapshot the app wrote then.
Faces facesAt(Instant now, double timelineAge) {
    const Instant written = now - timelineAge;
    const AppState state = jakartaState(written);
    const LumoraWidgetTimeline timeline =
        LumoraWidgetProvider::timeline(written, WidgetSnapshot::fromState(state, written));
    const LumoraWidgetEntry* entry = timeline.entryAt(now);
    const TrayPresentation tray = presentTray(state, now, now);
    return {tray.title, tray.tooltip.split(u'\n').last(),
            dashboardModel(state, now, now, false).countdownLine,
            entry ? entry->viewModel().statusText : QString()};
}

} // namespace

TEST(FacesAgree, SameMinuteAndPhaseOnEveryFace) {
    struct Case {
        const char* now;
        const char* tray;
        const char* text; // the tooltip's, the window's and the widget's line
    } cases[] = {
        // Isya at 19:17: 24 min 1 s rounds up to 25 everywhere.
        {"2026-03-07T18:52:59", " ISYA -25m", "-25 menit"},
        {"2026-03-07T18:53:00", " ISYA -24m", "-24 menit"},
        {"2026-03-07T19:10:03", " ISYA -7m", "-7 menit"},
        {"2026-03-07T19:15:59", " ISYA -2m", "-2 menit"},
        // The last minute counts down on every face; "-0m" never shows.
        {"2026-03-07T19:16:00", " ISYA -1m", "-1 menit"},
        {"2026-03-07T19:16:59", " ISYA -1m", "-1 menit"},
        {"2026-03-07T19:17:00", " ISYA ADZAN", "SAATNYA ADZAN"},
        {"2026-03-07T19:22:59", " ISYA ADZAN", "SAATNYA ADZAN"},
        {"2026-03-07T19:23:00", " ISYA +6m", "+6 menit"},
        // Long countdowns: hours and minutes agree too.
        {"2026-03-07T13:59:30", " ASHAR -1j 13m", "-1 jam 13 menit"},
        // Sunrise counts down to dhuha, which comes in without an adzan.
        {"2026-03-07T06:04:01", " SYURUQ -1m", "-1 menit"},
        {"2026-03-07T06:05:00", " DHUHA / ISYROQ MASUK", "WAKTU DHUHA"},
    };
    // A timeline made at once, half a minute earlier, and 59 min 59 s earlier (near its end).
    for (const double age : {0.0, 0.5, 30.0, 59.0, 3599.0}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.now) + " timeline age " + std::to_string(age));
            const Faces f = facesAt(at(c.now), age);
            EXPECT_EQ(f.tray, c.tray);
            EXPECT_EQ(f.tooltip, c.text);
            EXPECT_EQ(f.window, c.text);
            EXPECT_EQ(f.widget, c.text);
        }
    }
}

TEST(FacesAgree, TheWidgetChangesAtTheSameSecondAsTheTray) {
    // Over ten minutes around a prayer, second by second: whenever the tray's text changes, the widget's
    // entry on show changes with it, never a second earlier or later.
    const Instant start = at("2026-03-07T19:10:17");
    const AppState state = jakartaState(start);
    const LumoraWidgetTimeline timeline =
        LumoraWidgetProvider::timeline(start, WidgetSnapshot::fromState(state, start));
    for (int s = 0; s < 600; ++s) {
        const Instant now = start + s;
        const QString window = dashboardModel(state, now, now, false).countdownLine;
        ASSERT_EQ(timeline.entryAt(now)->viewModel().statusText, window) << s;
        ASSERT_EQ(presentTray(state, now, now).tooltip.split(u'\n').last(), window) << s;
    }
}
