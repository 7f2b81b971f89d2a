#include "lumora_widget_provider.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace lumora {

WidgetViewModel LumoraWidgetEntry::viewModel() const {
    return WidgetViewModel::make(date, snapshot.cityName, snapshot.todayDay, snapshot.tomorrowDay,
                                 snapshot.statusText);
}

const LumoraWidgetEntry* LumoraWidgetTimeline::entryAt(Instant now) const {
    const auto after = std::upper_bound(entries.cbegin(), entries.cend(), now,
                                        [](Instant t, const LumoraWidgetEntry& e) { return t < e.date; });
    if (after == entries.cbegin()) return nullptr;
    return &*std::prev(after);
}

std::optional<Instant> LumoraWidgetTimeline::nextEntryDate(Instant now) const {
    const auto after = std::upper_bound(entries.cbegin(), entries.cend(), now,
                                        [](Instant t, const LumoraWidgetEntry& e) { return t < e.date; });
    if (after == entries.cend()) return std::nullopt;
    return after->date;
}

LumoraWidgetProvider::LumoraWidgetProvider(QString snapshotPath) : m_snapshotPath(std::move(snapshotPath)) {}

WidgetSnapshot LumoraWidgetProvider::readSnapshot(Instant now) const {
    return WidgetSnapshotStore::readFile(m_snapshotPath, now);
}

LumoraWidgetEntry LumoraWidgetProvider::placeholder(const Clock& clock) const {
    const Instant now = clock.now();
    return {now, WidgetSnapshot::fallback(now)};
}

LumoraWidgetEntry LumoraWidgetProvider::getSnapshot(const Clock& clock) const {
    const Instant now = clock.now();
    return {now, readSnapshot(now)};
}

LumoraWidgetTimeline LumoraWidgetProvider::getTimeline(const Clock& clock) const {
    const Instant start = clock.now();
    return timeline(start, readSnapshot(start));
}

LumoraWidgetTimeline LumoraWidgetProvider::timeline(Instant start, const WidgetSnapshot& snapshot) {
    LumoraWidgetTimeline t;
    t.entries.reserve(kEntryCount);
    // After the first entry, every entry falls on a whole minute: the countdowns count whole minutes to
    // whole-minute times, so the widget then changes at the same second as the tray and the window.
    const Instant firstMinute{std::floor(start.seconds / kEntrySpacing) * kEntrySpacing};
    for (int i = 0; i < kEntryCount; ++i) {
        // Minutes are fixed lengths of time, so adding them never wraps or skips in a zone change.
        const Instant date = i == 0 ? start : firstMinute + i * kEntrySpacing;
        if (!std::isfinite(date.seconds)) continue;
        t.entries.append({date, snapshot});
    }
    t.reloadAt = t.entries.isEmpty() ? start + kEntrySpacing : t.entries.last().date + kEntrySpacing;
    return t;
}

} // namespace lumora
