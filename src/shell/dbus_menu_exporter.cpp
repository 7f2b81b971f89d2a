#include "shell/dbus_menu_exporter.h"

#include "shell/tray_menu.h"

#include "base/one_line.h"

#include <QDBusError>
#include <QTimer>

#include <algorithm>

namespace lumora {

namespace {

// Any process on the session bus may call the menu, and every call is answered on the main thread. The menu has a
// handful of items and properties, so a host never needs more than this; whatever lies beyond is not read, and the
// cost and size of an answer stay bounded however long the lists in the call are.
constexpr qsizetype kMaxIdsRead = 1024;
constexpr qsizetype kMaxDistinctIds = 64;
constexpr qsizetype kMaxPropertyNamesRead = 64;
constexpr qsizetype kMaxEventsRead = 64;

// At most `keep` distinct values from the first `read` entries of `list`, in their first order.
template <class T> QList<T> distinctPrefix(const QList<T>& list, qsizetype read, qsizetype keep) {
    QList<T> kept;
    const qsizetype end = std::min(list.size(), read);
    for (qsizetype i = 0; i < end && kept.size() < keep; ++i)
        if (!kept.contains(list[i])) kept.append(list[i]);
    return kept;
}

// Property names in error replies go back to whoever sent them; no real one is longer.
constexpr qsizetype kMaxEchoedName = 64;

// dbusmenu reads a single underscore as the mnemonic marker; the labels are meant literally.
QString escapedLabel(const QString& label) {
    QString escaped = label;
    return escaped.replace(QLatin1Char('_'), QLatin1String("__"));
}

QVariantMap filtered(const QVariantMap& all, const QStringList& names) {
    if (names.isEmpty()) return all;
    QVariantMap kept;
    for (qsizetype i = 0, end = std::min(names.size(), kMaxPropertyNamesRead); i < end; ++i)
        if (const auto it = all.constFind(names[i]); it != all.cend()) kept.insert(it.key(), it.value());
    return kept;
}

} // namespace

DBusMenuExporter::DBusMenuExporter(TrayMenu* menu, QObject* parent) : QObject(parent), m_menu(menu) {
    registerTrayDBusTypes();
    connect(menu, &TrayMenu::layoutChanged, this, &DBusMenuExporter::onLayoutChanged);
    connect(menu, &TrayMenu::entryChanged, this, &DBusMenuExporter::onEntryChanged);
}

bool DBusMenuExporter::registerOn(QDBusConnection bus, const QString& path) {
    return bus.registerObject(path, this,
                              QDBusConnection::ExportScriptableSlots |
                                  QDBusConnection::ExportScriptableSignals |
                                  QDBusConnection::ExportAllProperties);
}

bool DBusMenuExporter::knows(int id) const {
    return id == 0 || (m_menu && m_menu->entry(id));
}

QVariantMap DBusMenuExporter::properties(int id, const QStringList& names) const {
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return filtered(all, names);
    }
    const TrayMenuEntry* entry = m_menu ? m_menu->entry(id) : nullptr;
    if (!entry) return {};
    if (entry->kind == TrayMenuEntry::Kind::separator) {
        all.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return filtered(all, names);
    }
    // Defaults are sent anyway: a change back to a default then travels as a plain update.
    all.insert(QStringLiteral("type"), QStringLiteral("standard"));
    all.insert(QStringLiteral("label"), escapedLabel(entry->label));
    all.insert(QStringLiteral("enabled"), entry->enabled);
    all.insert(QStringLiteral("visible"), true);
    if (!entry->shortcutKey.isEmpty())
        all.insert(QStringLiteral("shortcut"), QVariant::fromValue(QList<QStringList>{{entry->shortcutKey}}));
    if (entry->kind == TrayMenuEntry::Kind::checkmark) {
        all.insert(QStringLiteral("toggle-type"), QStringLiteral("checkmark"));
        all.insert(QStringLiteral("toggle-state"), entry->checked ? 1 : 0);
    }
    return filtered(all, names);
}

DBusMenuLayoutItem DBusMenuExporter::layout() const {
    DBusMenuLayoutItem root{0, properties(0), {}};
    if (m_menu)
        for (const TrayMenuEntry& entry : m_menu->entries())
            root.children.append(DBusMenuLayoutItem{entry.id, properties(entry.id), {}});
    return root;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& result) {
    if (!knows(parentId)) {
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("unknown menu item %1").arg(parentId));
        return m_revision;
    }
    result = DBusMenuLayoutItem{parentId, properties(parentId, propertyNames), {}};
    // The menu is flat: only the root has children, so any depth beyond one costs nothing more.
    if (parentId == 0 && recursionDepth != 0 && m_menu)
        for (const TrayMenuEntry& entry : m_menu->entries())
            result.children.append(DBusMenuLayoutItem{entry.id, properties(entry.id, propertyNames), {}});
    return m_revision;
}

DBusMenuItemPropertiesList DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                const QStringList& propertyNames) {
    DBusMenuItemPropertiesList result;
    // Unknown ids are skipped before they are counted, so they cannot crowd out the real items.
    QList<int> known;
    for (qsizetype i = 0, end = std::min(ids.size(), kMaxIdsRead); i < end && known.size() < kMaxDistinctIds; ++i)
        if (!known.contains(ids[i]) && knows(ids[i])) known.append(ids[i]);
    result.reserve(known.size());
    for (int id : known)
        result.append(DBusMenuItemProperties{id, properties(id, propertyNames)});
    return result;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
    const QVariantMap all = properties(id);
    if (!knows(id) || !all.contains(name)) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("no property %1 on item %2").arg(echoed(name.left(kMaxEchoedName))).arg(id));
        return QDBusVariant(QString());
    }
    return QDBusVariant(all.value(name));
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp) {
    Q_UNUSED(data);
    Q_UNUSED(timestamp);
    if (eventId != QLatin1String("clicked") || !m_menu) return;
    // After the reply: an action may quit the application, and the host should not wait for an answer.
    QTimer::singleShot(0, this, [menu = m_menu, id] {
        if (menu) menu->trigger(id);
    });
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEventList& events) {
    QList<int> idErrors;
    // One click per item: a group naming an item twice (or a million times) chooses it once.
    QList<int> clicked;
    for (qsizetype i = 0, end = std::min(events.size(), kMaxEventsRead); i < end; ++i) {
        const DBusMenuEvent& event = events[i];
        if (!knows(event.id)) {
            if (!idErrors.contains(event.id)) idErrors.append(event.id);
        } else if (event.eventId == QLatin1String("clicked") && !clicked.contains(event.id)) {
            clicked.append(event.id);
            Event(event.id, event.eventId, event.data, event.timestamp);
        }
    }
    return idErrors;
}

bool DBusMenuExporter::AboutToShow(int id) {
    Q_UNUSED(id);
    // The menu is always current: every change is announced as it happens.
    return false;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    idErrors.clear();
    for (int id : distinctPrefix(ids, kMaxIdsRead, kMaxDistinctIds))
        if (!knows(id)) idErrors.append(id);
    return {};
}

void DBusMenuExporter::onLayoutChanged() {
    ++m_revision;
    Q_EMIT LayoutUpdated(m_revision, 0);
}

void DBusMenuExporter::onEntryChanged(int id) {
    Q_EMIT ItemsPropertiesUpdated({DBusMenuItemProperties{id, properties(id)}}, {});
}

} // namespace lumora
