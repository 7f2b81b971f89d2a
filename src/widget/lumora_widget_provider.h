#pragma once

#include "model/instant.h"
#include "model/widget_presenter.h"
#include "snapshot/widget_snapshot.h"

#include <QList>
#include <QString>

namespace lumora {

/// The widget's description (its kind is `kWidgetKind`).
namespace LumoraWidget {
inline constexpr auto kDisplayName = "lumora";
inline constexpr auto kDescription = "Countdown dan jadwal adzan berikutnya.";
} // namespace LumoraWidget

/// One timeline entry: shown from `date` on, and computed for that instant.
struct LumoraWidgetEntry {
    Instant date;
    WidgetSnapshot snapshot;

    bool operator==(const LumoraWidgetEntry&) const = default;
    WidgetViewModel viewModel() const;
};

struct LumoraWidgetTimeline {
    QList<LumoraWidgetEntry> entries; ///< ascending by date
    Instant reloadAt;

    /// The entry whose date has come by `now` (the latest such), or none before the first one.
    const LumoraWidgetEntry* entryAt(Instant now) const;
    /// The date of the first entry after `now`, if any.
    std::optional<Instant> nextEntryDate(Instant now) const;
};

/// Builds entries from the snapshot file; keeps nothing between calls, every call rereads the file.
class LumoraWidgetProvider {
public:
    static constexpr int kEntryCount = 61;
    static constexpr double kEntrySpacing = 60;

    /// Reads the snapshot at `snapshotPath` (normally `WidgetSnapshotStore::path` of the data folder).
    explicit LumoraWidgetProvider(QString snapshotPath);

    /// Dated now, with the fallback snapshot.
    LumoraWidgetEntry placeholder(const Clock& clock) const;
    /// Dated now, with the stored snapshot (the fallback when it does not read).
    LumoraWidgetEntry getSnapshot(const Clock& clock) const;
    /// A minute-by-minute hour: now, then each following whole minute.
    LumoraWidgetTimeline getTimeline(const Clock& clock) const;

    /// The stored snapshot, or the fallback made at `now`.
    WidgetSnapshot readSnapshot(Instant now) const;
    /// The timeline of `snapshot`: 61 entries, the first at `start`, the rest at the whole minutes after it;
    /// reload a minute after the last.
    static LumoraWidgetTimeline timeline(Instant start, const WidgetSnapshot& snapshot);

private:
    QString m_snapshotPath;
};

} // namespace lumora
