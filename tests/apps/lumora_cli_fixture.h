#pragma once

// The lumora program as a test runs it: a real process over the test's private home, with the schedule
// service switched off unless a test serves one, and month files the test writes.
#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>

namespace lumora::test {

// Local times in Asia/Jakarta (UTC+7) as seconds since 2001-01-01 00:00 UTC.
inline constexpr double kAt0550 = 794530200;          // 2026-03-07 05:50
inline constexpr double kAt0605 = kAt0550 + 15 * 60;  // 2026-03-07 06:05
inline constexpr double kAt1152 = kAt0550 + 362 * 60; // 2026-03-07 11:52
inline constexpr double kDay = 86400;
inline const QString kAt = QStringLiteral("2026-03-07T05:50:00");

struct CliResult {
    int status = -1;
    QString out;
    QString err;

    QJsonValue json() const {
        if (out.trimmed() == u"null") return QJsonValue(QJsonValue::Null);
        const QJsonDocument doc = QJsonDocument::fromJson(out.toUtf8());
        if (doc.isArray()) return doc.array();
        if (doc.isObject()) return doc.object();
        return QJsonValue(QJsonValue::Undefined);
    }
    QStringList errLines() const { return err.split(u'\n', Qt::SkipEmptyParts); }
};

inline std::string compact(const QJsonValue& v) {
    if (v.isObject()) return QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact).toStdString();
    if (v.isArray()) return QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact).toStdString();
    return v.isNull() ? "null" : "<not JSON>";
}

/// The day as the service's parsed answers give it (six slots, no dhuha), in its JSON form.
inline QJsonObject dayJson(const QString& date) {
    const std::pair<const char*, const char*> times[] = {{"subuh", "04:35"},   {"syuruq", "05:50"},
                                                         {"dhuhur", "11:52"},  {"ashar", "15:13"},
                                                         {"maghrib", "17:46"}, {"isya", "18:58"}};
    QJsonArray slots;
    for (const auto& [name, time] : times)
        slots.append(QJsonObject{{"name", name}, {"time", time}});
    return QJsonObject{{"cityCode", "jkt"}, {"cityName", "KOTA JAKARTA"}, {"date", date}, {"slots", slots}};
}

class LumoraCli : public ::testing::Test {
protected:
    /// The program's environment: the test's home, the service off and no display (a screenshot must draw
    /// offscreen on its own); `env` adds to it.
    QProcessEnvironment environment(const QList<std::pair<QString, QString>>& env = {}) const {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment(); // HOME and XDG from m_home
        e.insert("TZ", "Asia/Jakarta");
        e.insert("LUMORA_SCHEDULE_URL", "");
        e.insert("LUMORA_NOTIFICATIONS", "off");
        e.insert("XDG_RUNTIME_DIR", m_runtime.path());
        for (const char* name : {"LUMORA_LOCATION", "LUMORA_HISAB", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY",
                                 "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            e.remove(name);
        for (const auto& [name, value] : env)
            e.insert(name, value);
        return e;
    }

    /// A usage error: status 2, nothing on stdout, one line on stderr starting "lumora: ".
    void expectUsageError(const QStringList& args) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliResult r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, QString());
        ASSERT_EQ(r.errLines().size(), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("lumora: ")) << r.err.toStdString();
    }

    /// Runs lumora with the service off unless `env` says otherwise.
    CliResult run(const QStringList& args, const QList<std::pair<QString, QString>>& env = {}) {
        QProcess p;
        p.setProcessEnvironment(environment(env));
        p.start(QStringLiteral(LUMORA_BINARY), args);
        CliResult r;
        if (!p.waitForFinished(30'000) || p.exitStatus() != QProcess::NormalExit) {
            p.kill();
            p.waitForFinished();
            r.err = QStringLiteral("did not finish normally");
            return r;
        }
        r.status = p.exitCode();
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QString dataFile(const QString& name) const { return m_home.dataFolder() + u'/' + name; }

    void writeMonthFile(const QString& month, const QStringList& dates, double savedAt) {
        QJsonArray days;
        for (const QString& d : dates)
            days.append(dayJson(d));
        const QJsonObject envelope{
            {"savedAt", savedAt},
            {"cache", QJsonObject{{"cityCode", "jkt"}, {"month", month}, {"days", days}}}};
        QDir().mkpath(m_home.dataFolder());
        QFile f(dataFile(QStringLiteral("month-jkt-%1.json").arg(month)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(envelope).toJson());
    }

    /// Today, tomorrow and the last day of March, and the first of April in the next month's file.
    void seedJakarta(double savedAt = kAt0550 - 3600) {
        writeMonthFile("2026-03", {"2026-03-07", "2026-03-08", "2026-03-31"}, savedAt);
        writeMonthFile("2026-04", {"2026-04-01"}, savedAt);
    }

    QStringList monthFiles() const {
        return QDir(m_home.dataFolder()).entryList({QStringLiteral("month-*.json")}, QDir::Files, QDir::Name);
    }

    TempHome m_home;
    /// A private runtime folder (0700, as the session's own would be).
    QTemporaryDir m_runtime;
};

} // namespace lumora::test
