#pragma once

// Answers of the schedule service in its three forms, for the parsing and fetching tests.
#include <QString>
#include <QStringList>

namespace lumora::test {

/// One JSON record; `subuh` is inserted as raw JSON (a quoted text, a number, null).
inline QString jsonRecord(const QString& date, const QString& subuh = "\"04:35\"",
                          const QString& extra = {}) {
    return QStringLiteral(R"({"tanggal":"%1","subuh":%2,"terbit":"05:50","dzuhur":"11:52","ashar":"15:13",)"
                          R"("maghrib":"17:46","isya":"18:58"%3})")
        .arg(date, subuh, extra);
}

inline QString xmlRecord(const QString& date, const QString& subuh = "04:35", const QString& tag = "day") {
    return QStringLiteral(
               "<%1><tanggal>%2</tanggal><subuh>%3</subuh><terbit>05:50</terbit><dzuhur>11:52</dzuhur>"
               "<ashar>15:13</ashar><maghrib>17:46</maghrib><isya>18:58</isya></%1>")
        .arg(tag, date, subuh);
}

inline QString htmlRow(const QStringList& cells) {
    QString row = "<tr>";
    for (const QString& cell : cells)
        row += "<td>" + cell + "</td>";
    return row + "</tr>\n";
}

inline QString htmlDayRow(const QString& date, const QString& subuh = "04:35") {
    return htmlRow({date, "Rabu", subuh, "05:50", "11:52", "15:13", "17:46", "18:58"});
}

inline QString dayOf(const QString& month, int day) {
    return month + QStringLiteral("-%1").arg(day, 2, 10, QChar(u'0'));
}

inline QString jsonMonth(const QString& month, int days, const QString& subuh = "\"04:35\"") {
    QStringList records;
    for (int d = 1; d <= days; ++d)
        records.append(jsonRecord(dayOf(month, d), subuh));
    return "[" + records.join(",\n") + "]";
}

inline QString xmlMonth(const QString& month, int days) {
    QString body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<jadwal>\n";
    for (int d = 1; d <= days; ++d)
        body += xmlRecord(dayOf(month, d)) + "\n";
    return body + "</jadwal>\n";
}

/// A whole page as a browser gets it: doctype, head with unclosed meta tags and a script, entities XML does
/// not know, and the month as a table with a header row.
inline QString htmlMonthPage(const QString& month, int days) {
    QString page = QStringLiteral(R"(<!DOCTYPE html>
<html lang="id">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Jadwal Sholat Jakarta &ndash; %1</title>
<link rel="stylesheet" href="/css/style.css">
<script>if (window.innerWidth < 600 && document.body) { document.body.className = "narrow"; }</script>
</head>
<body>
<nav><ul><li><a href="/adzan/">Beranda</a></li><li><a href="/adzan/?city=bandung">Bandung</a></li></ul></nav>
<h1>Jadwal Sholat Kota Jakarta</h1>
<form method="get"><select name="city"><option value="jakarta" selected>Jakarta</option></select></form>
<table class="table table-striped">
<thead><tr><th>Tanggal</th><th>Hari</th><th>Subuh</th><th>Terbit</th><th>Dzuhur</th><th>Ashar</th><th>Maghrib</th><th>Isya</th></tr></thead>
<tbody>
)")
                       .arg(month);
    for (int d = 1; d <= days; ++d)
        page += QStringLiteral(
                    "<tr class=\"%1\"><td>%2</td><td>Rabu</td><td><b>04:%3</b></td><td>05:50&nbsp;</td>"
                    "<td>11:52</td><td>15:13</td><td>17:46</td><td>18:58</td></tr>\n")
                    .arg(QString(d == 1 ? "today" : ""), dayOf(month, d))
                    .arg(10 + d);
    return page + "</tbody>\n</table>\n<p>&copy; 2024 Sumber<br>Kemenag</p>\n</body>\n</html>\n";
}

} // namespace lumora::test
