#include "widget/lumora_widget_provider.h"

#include "widget_fixtures.h"

#include "support/printers.h"
#include "support/temp_home.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace lumora;
using test::at;

TEST(LumoraWidgetProvider, TimelineStartsNowThenFollowsTheWholeMinutes) {
    test::TempHome home;
    QDir().mkpath(home.dataFolder());
    ASSERT_TRUE(WidgetSnapshotStore::write(home.dataFolder(), test::widgetSnapshot()));
    struct Case {
        const char* start;
        const char* second; // the first whole minute after the start
        const char* last;
        const char* reload;
    } cases[] = {
        {"2026-01-01T10:00:30", "2026-01-01T10:01:00", "2026-01-01T11:00:00", "2026-01-01T11:01:00"},
        // On a whole minute the start is one already: no entry twice.
        {"2026-01-01T10:00:00", "2026-01-01T10:01:00", "2026-01-01T11:00:00", "2026-01-01T11:01:00"},
        {"2026-01-01T23:59:59", "2026-01-02T00:00:00", "2026-01-02T00:59:00", "2026-01-02T01:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        const ManualClock clock(at(c.start));
        const LumoraWidgetTimeline t =
            LumoraWidgetProvider(WidgetSnapshotStore::path(home.dataFolder())).getTimeline(clock);

        ASSERT_EQ(t.entries.size(), 61);
        EXPECT_EQ(t.entries[0].date, clock.now());
        EXPECT_EQ(t.entries[1].date, at(c.second));
        for (int i = 1; i < t.entries.size(); ++i)
            EXPECT_EQ(t.entries[i].date, at(c.second) + 60.0 * (i - 1)) << i;
        for (const LumoraWidgetEntry& e : t.entries)
            EXPECT_EQ(e.snapshot, test::widgetSnapshot());
        EXPECT_EQ(t.entries.last().date, at(c.last));
        EXPECT_EQ(t.reloadAt, at(c.reload));
    }
}

TEST(LumoraWidgetProvider, TheEntryOnShowIsTheLatestWhoseDateHasCome) {
    const LumoraWidgetTimeline t =
        LumoraWidgetProvider::timeline(at("2026-01-01T10:00:30"), test::widgetSnapshot());
    struct Case {
        const char* now;
        const char* shown; // none: before the first entry
        const char* next;  // none: after the last entry
    } cases[] = {
        {"2026-01-01T10:00:29", nullptr, "2026-01-01T10:00:30"},
        {"2026-01-01T10:00:30", "2026-01-01T10:00:30", "2026-01-01T10:01:00"},
        {"2026-01-01T10:00:59", "2026-01-01T10:00:30", "2026-01-01T10:01:00"},
        {"2026-01-01T10:01:00", "2026-01-01T10:01:00", "2026-01-01T10:02:00"},
        {"2026-01-01T11:00:00", "2026-01-01T11:00:00", nullptr},
        {"2026-01-01T13:00:00", "2026-01-01T11:00:00", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now);
        const LumoraWidgetEntry* shown = t.entryAt(at(c.now));
        if (c.shown) {
            ASSERT_NE(shown, nullptr);
            EXPECT_EQ(shown->date, at(c.shown));
        } else {
            EXPECT_EQ(shown, nullptr);
        }
        EXPECT_EQ(t.nextEntryDate(at(c.now)), c.next ? std::optional(at(c.next)) : std::nullopt);
    }
}

TEST(LumoraWidgetProvider, AnyUnreadableSnapshotGivesTheFallback) {
    test::TempHome home;
    const ManualClock clock(at("2026-01-01T10:00:30"));
    const QString bad = home.path() + "/bad.json";
    const QString folder = home.path() + "/folder.json";
    ASSERT_TRUE(
        test::writeFile(bad, R"({"cityName":"Bandung","cityCode":"bdg","statusText":"s","savedAt":"2026"})"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const WidgetViewModel fallback{"JAKARTA", "SUBUH", "--:--", "Memuat jadwal...", 1, {}};

    for (const QString& path :
         {QString() /* the app's file, never written */, home.path() + "/missing.json", bad, folder}) {
        SCOPED_TRACE(path.toStdString());
        const LumoraWidgetProvider provider(path);
        const LumoraWidgetTimeline t = provider.getTimeline(clock);
        ASSERT_EQ(t.entries.size(), 61);
        EXPECT_EQ(t.entries.first().snapshot, WidgetSnapshot::fallback(clock.now()));
        EXPECT_EQ(t.entries.first().viewModel(), fallback);
        EXPECT_EQ(t.entries.last().viewModel(), fallback);
        EXPECT_EQ(provider.getSnapshot(clock).viewModel(), fallback);
    }
}

TEST(LumoraWidgetProvider, SnapshotAndPlaceholderAreDatedNow) {
    test::TempHome home;
    const QString path = home.path() + "/snapshot.json";
    ASSERT_TRUE(test::writeFile(path, *test::widgetSnapshot("Bogor").toJsonBytes()));
    const ManualClock clock(at("2026-01-01T11:59:30"));
    const LumoraWidgetProvider provider(path);

    const LumoraWidgetEntry snapshot = provider.getSnapshot(clock);
    EXPECT_EQ(snapshot.date, clock.now());
    WidgetViewModel shown = snapshot.viewModel();
    ASSERT_EQ(shown.schedule.size(), 6) << "the snapshot's day, for the medium widget";
    EXPECT_TRUE(shown.schedule[2].highlight);
    shown.schedule.clear();
    EXPECT_EQ(shown, (WidgetViewModel{"BOGOR", "DHUHUR", "12:00", "-1 menit", 1, {}}));

    const LumoraWidgetEntry placeholder = provider.placeholder(clock);
    EXPECT_EQ(placeholder.date, clock.now());
    EXPECT_EQ(placeholder.snapshot, WidgetSnapshot::fallback(clock.now()));
}
