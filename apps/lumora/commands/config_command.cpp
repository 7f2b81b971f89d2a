#include "command_handlers.h"

#include "cli_output.h"

#include "base/settings_schema.h"
#include "base/user_folders.h"
#include "core/app_config.h"
#include "core/preferences.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcessEnvironment>

namespace lumora::cli {

namespace {

const QString kUsage = QStringLiteral(
    "pemakaian: lumora config list [--json] | get KUNCI | set KUNCI NILAI | reset KUNCI|--all | path");

QString originText(const Preferences::Entry& e) {
    switch (e.origin) {
    case Preferences::Origin::setting:
        return QStringLiteral("pengaturan");
    case Preferences::Origin::environment:
        return QStringLiteral("lingkungan ") + e.environmentName;
    case Preferences::Origin::defaultValue:
        return QStringLiteral("bawaan");
    }
    return {};
}

QJsonObject entryJson(const Preferences::Entry& e) {
    QJsonObject o{{QStringLiteral("key"), e.key},
                  {QStringLiteral("value"), e.value},
                  {QStringLiteral("default"), e.defaultValue},
                  {QStringLiteral("origin"), Preferences::originName(e.origin)},
                  {QStringLiteral("description"), e.description}};
    if (!e.environmentName.isEmpty()) o.insert(QStringLiteral("environment"), e.environmentName);
    if (!e.problem.isEmpty()) o.insert(QStringLiteral("problem"), e.problem);
    return o;
}

int list(Preferences& prefs, const QStringList& args) {
    const bool json = args == QStringList{QStringLiteral("--json")};
    if (!json && !args.isEmpty()) return fail(kUsage);
    const QList<Preferences::Entry> entries = prefs.entries();
    if (json) {
        QJsonArray arr;
        for (const Preferences::Entry& e : entries)
            arr.append(entryJson(e));
        printJson(arr);
        return 0;
    }
    qsizetype keyWidth = 0, valueWidth = 0;
    for (const Preferences::Entry& e : entries) {
        keyWidth = std::max(keyWidth, e.key.size());
        valueWidth = std::max(valueWidth, oneLine(e.value).size());
    }
    for (const Preferences::Entry& e : entries) {
        out() << e.key.leftJustified(keyWidth + 2) << oneLine(e.value).leftJustified(valueWidth + 2) << '('
              << originText(e);
        if (e.origin != Preferences::Origin::defaultValue && e.value != e.defaultValue)
            out() << QStringLiteral(", bawaan ") << e.defaultValue;
        out() << ")\n";
        if (!e.problem.isEmpty()) warn(e.problem);
    }
    return 0;
}

// A place must name something the programs can find, or the app would quietly stay where it was.
QString placeProblem(const QString& key, const QString& value) {
    if (key != u"location" || value == u"auto" || AppConfig::locationFromText(value)) return {};
    return QStringLiteral("nilai location tidak dikenal: \"%1\" (auto, nama atau kode tempat, atau \"lat,lon\"; "
                          "cari dengan: lumora places KUERI)")
        .arg(echoed(value));
}

int set(Preferences& prefs, const QStringList& args) {
    if (args.size() != 2) return fail(kUsage);
    const QString& key = args[0];
    QString problem;
    if (const SettingsSchema::Key* k = SettingsSchema::find(key)) {
        const SettingsSchema::Checked checked = SettingsSchema::check(*k, args[1]);
        if (checked.value) problem = placeProblem(key, *checked.value);
    }
    if (problem.isEmpty() && prefs.file().set(key, args[1], &problem)) {
        const Preferences::Entry e = prefs.entry(key);
        out() << e.key << " = " << echoed(prefs.file().value(key).value) << '\n';
        if (e.origin == Preferences::Origin::environment)
            warn(QStringLiteral("%1 menetapkan %2 = %3 untuk proses ini; pengaturan berlaku bila %1 kosong")
                     .arg(e.environmentName, e.key, echoed(e.value)));
        return 0;
    }
    return fail(problem);
}

} // namespace

int config(const QStringList& args) {
    const QString action = args.value(0);
    const QStringList rest = args.mid(1);
    Preferences prefs(QProcessEnvironment::systemEnvironment(), UserFolders::settingsLocation());
    if (action == u"list") return list(prefs, rest);
    if (action == u"path") {
        if (!rest.isEmpty()) return fail(kUsage);
        out() << prefs.file().path() << '\n';
        return 0;
    }
    if (action == u"get") {
        if (rest.size() != 1) return fail(kUsage);
        if (!SettingsSchema::find(rest[0])) return fail(SettingsFile::unknownKeyProblem(rest[0]));
        out() << oneLine(prefs.value(rest[0])) << '\n';
        return 0;
    }
    if (action == u"set") return set(prefs, rest);
    if (action == u"reset") {
        if (rest == QStringList{QStringLiteral("--all")}) {
            prefs.file().resetAll();
            return 0;
        }
        if (rest.size() != 1) return fail(kUsage);
        QString problem;
        if (!prefs.file().reset(rest[0], &problem)) return fail(problem);
        out() << rest[0] << " = " << prefs.file().value(rest[0]).value << '\n';
        return 0;
    }
    return fail(kUsage);
}

} // namespace lumora::cli
