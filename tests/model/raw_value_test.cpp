#include "model/dashboard_model.h"
#include "model/prayer_display.h"
#include "model/tray_presentation.h"

#include <gtest/gtest.h>

using namespace lumora;

// Every name is read back by other programs (status --json, waybar classes, the Plasma applet), so each
// value's spelling is pinned here.
TEST(RawValue, NamesAsWritten) {
    const std::pair<QString, const char*> cases[] = {
        {rawValue(PrayerDisplayMode::upcoming), "upcoming"},
        {rawValue(PrayerDisplayMode::entering), "entering"},
        {rawValue(PrayerDisplayMode::passed), "passed"},
        {rawValue(PrayerDisplayPhase::upcoming), "upcoming"},
        {rawValue(PrayerDisplayPhase::approaching), "approaching"},
        {rawValue(PrayerDisplayPhase::entering), "entering"},
        {rawValue(PrayerDisplayPhase::cooldown), "cooldown"},
        {rawValue(StatusColor::label), "label"},
        {rawValue(StatusColor::orange), "orange"},
        {rawValue(StatusColor::red), "red"},
        {rawValue(StatusColor::clear), "clear"},
        {rawValue(StatusColor::darkBlue), "darkBlue"},
        {rawValue(DashboardAccent::crimson), "crimson"},
        {rawValue(DashboardAccent::nightBlue), "nightBlue"},
    };
    for (const auto& [raw, expected] : cases)
        EXPECT_EQ(raw, QString::fromUtf8(expected));
}

TEST(RawValue, StatusColorReadsBackExactly) {
    for (StatusColor c : {StatusColor::label, StatusColor::orange, StatusColor::red, StatusColor::clear,
                          StatusColor::darkBlue})
        EXPECT_EQ(statusColorFromRaw(rawValue(c)), c) << rawValue(c).toStdString();
    for (const char* bad : {"Red", "red ", "darkblue", "blue", ""})
        EXPECT_EQ(statusColorFromRaw(QString::fromUtf8(bad)), std::nullopt) << bad;
}
