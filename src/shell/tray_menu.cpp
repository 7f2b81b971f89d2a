#include "shell/tray_menu.h"

namespace lumora {

int TrayMenu::append(TrayMenuEntry entry, int beforeId) {
    entry.id = m_nextId++;
    const int id = entry.id;
    auto at = std::find_if(m_entries.begin(), m_entries.end(),
                           [&](const TrayMenuEntry& e) { return e.id == beforeId; });
    m_entries.insert(at, std::move(entry));
    Q_EMIT layoutChanged();
    return id;
}

int TrayMenu::addItem(const QString& label, std::function<void()> action, const QString& shortcutKey) {
    TrayMenuEntry entry;
    entry.label = label;
    entry.action = std::move(action);
    entry.shortcutKey = shortcutKey;
    return append(std::move(entry));
}

int TrayMenu::addSeparator() {
    TrayMenuEntry entry;
    entry.kind = TrayMenuEntry::Kind::separator;
    return append(std::move(entry));
}

int TrayMenu::addCheckItem(const QString& label, bool checked, std::function<void()> action, int beforeId) {
    TrayMenuEntry entry;
    entry.kind = TrayMenuEntry::Kind::checkmark;
    entry.label = label;
    entry.checked = checked;
    entry.action = std::move(action);
    return append(std::move(entry), beforeId);
}

TrayMenuEntry* TrayMenu::find(int id) {
    for (TrayMenuEntry& entry : m_entries)
        if (entry.id == id) return &entry;
    return nullptr;
}

const TrayMenuEntry* TrayMenu::entry(int id) const {
    for (const TrayMenuEntry& entry : m_entries)
        if (entry.id == id) return &entry;
    return nullptr;
}

void TrayMenu::setLabel(int id, const QString& label) {
    TrayMenuEntry* entry = find(id);
    if (!entry || entry->label == label) return;
    entry->label = label;
    Q_EMIT entryChanged(id);
}

void TrayMenu::setEnabled(int id, bool enabled) {
    TrayMenuEntry* entry = find(id);
    if (!entry || entry->enabled == enabled) return;
    entry->enabled = enabled;
    Q_EMIT entryChanged(id);
}

void TrayMenu::setChecked(int id, bool checked) {
    TrayMenuEntry* entry = find(id);
    if (!entry || entry->checked == checked) return;
    entry->checked = checked;
    Q_EMIT entryChanged(id);
}

bool TrayMenu::trigger(int id) {
    TrayMenuEntry* entry = find(id);
    if (!entry) return false;
    if (entry->kind == TrayMenuEntry::Kind::separator || !entry->enabled) return true;
    if (entry->kind == TrayMenuEntry::Kind::checkmark) setChecked(id, !entry->checked);
    // Copied: the action may rebuild the menu and invalidate the entry.
    const std::function<void()> action = find(id) ? find(id)->action : std::function<void()>{};
    if (action) action();
    return true;
}

} // namespace lumora
