#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace lumora {

/// One entry of the tray menu; ids are stable and start at 1 (0 is the menu itself).
struct TrayMenuEntry {
    enum class Kind { standard, separator, checkmark };
    int id = 0;
    Kind kind = Kind::standard;
    QString label;
    bool enabled = true;
    bool checked = false;
    /// A single key shown beside the label ("q").
    QString shortcutKey;
    std::function<void()> action;
};

/// The tray menu as data: the D-Bus menu and the fallback QMenu are both built from it.
class TrayMenu : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    int addItem(const QString& label, std::function<void()> action = {}, const QString& shortcutKey = {});
    int addSeparator();
    /// A toggle with a checkmark; choosing it flips the state before `action` runs. It goes before the entry
    /// `beforeId`, or last when there is none.
    int addCheckItem(const QString& label, bool checked, std::function<void()> action = {}, int beforeId = 0);

    void setLabel(int id, const QString& label);
    void setEnabled(int id, bool enabled);
    void setChecked(int id, bool checked);

    const QList<TrayMenuEntry>& entries() const { return m_entries; }
    const TrayMenuEntry* entry(int id) const;

    /// Runs what choosing the entry does; disabled entries and separators do nothing. False for an unknown
    /// id.
    bool trigger(int id);

Q_SIGNALS:
    /// Entries were added or removed.
    void layoutChanged();
    /// One entry's label, enabled or checked state changed.
    void entryChanged(int id);

private:
    int append(TrayMenuEntry entry, int beforeId = 0);
    TrayMenuEntry* find(int id);

    QList<TrayMenuEntry> m_entries;
    int m_nextId = 1;
};

} // namespace lumora
