#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace lumora::SettingsSchema {

/// How a key's text reads.
enum class Type {
    choice,  ///< one of `choices`, compared without case
    integer, ///< a whole number from `minimum` to `maximum`
    onOff,   ///< "on" or "off" (also true/false, yes/no, 1/0, ya/tidak), written "on"/"off"
    place,   ///< "auto", "lat,lon" or a place's name or code; whether a name is known is the caller's check
};

/// One preference the user may set. Keys that hold the programs' own state (the window's frame, the widget's
/// place, the last location fix) are not preferences and are not listed.
struct Key {
    QString name;
    Type type = Type::choice;
    QStringList choices;
    int minimum = 0;
    int maximum = 0;
    /// The value when the file has none, as `check` writes it.
    QString defaultValue;
    /// One line, Indonesian, for `lumora config list` and the settings window.
    QString description;
    /// An older name still read when this key has no value ("fixedLocation" for "location").
    QString legacyName;

    /// The choices or the range, for a message: "auto, service atau hisab", "-15 sampai 15".
    QString allowed() const;
};

/// Every preference, in the order they are listed.
const QList<Key>& keys();
/// The key named exactly `name`, or none.
const Key* find(QStringView name);
/// The listed key whose name is closest to `name` (for "did you mean"); empty when none is near.
QString nearestName(QStringView name);

/// What a text reads as under a key: its canonical form (what is written to the file and compared), or
/// the reason it does not read (Indonesian, one line, naming what is allowed).
struct Checked {
    std::optional<QString> value;
    QString problem;
};
Checked check(const Key& key, const QString& text);

/// The prayers reminders are kept for, by their stored names, and which of them have an "after" notice
/// (syuruq has none: nothing happens after sunrise to be reminded of).
QStringList reminderPrayers();
bool hasAfterReminder(QStringView prayer);
/// The prayers a correction may move.
QStringList correctedPrayers();

} // namespace lumora::SettingsSchema
