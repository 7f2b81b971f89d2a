// Reading the schedule service's answers: JSON, XML, or an HTML page holding the month as a table.
#include "prayer_source.h"

#include "model/date_helpers.h"
#include "model/html_text.h"
#include "model/month_check.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QVariant>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace lumora {

namespace {

const QString kDateKeys[] = {"prayer_date", "tanggal", "date", "day"};
const QString kPrayerKeys[] = {"subuh",   "dzuhur", "dhuhr", "ashar",  "asr",
                               "maghrib", "isya",   "isyak", "terbit", "syuruq"};

Result<PrayerMonthCache> sortedMonth(QList<PrayerDay> days, const QString& cityCode, const QString& month) {
    // Stable, so days sharing a date keep the order they were found in; duplicates stay.
    std::stable_sort(days.begin(), days.end(),
                     [](const PrayerDay& a, const PrayerDay& b) { return a.date < b.date; });
    return Result<PrayerMonthCache>::ok(PrayerMonthCache{cityCode, month, std::move(days)});
}

QList<PrayerDay> toDays(const QList<PrayerRow>& rows, const QString& cityCode, const QString& month) {
    QList<PrayerDay> days;
    for (const PrayerRow& row : rows)
        if (auto day = toPrayerDay(row, cityCode, month)) days.append(std::move(*day));
    return days;
}

// ---- XML ----

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

QString xmlText(const xmlChar* s) {
    return s ? QString::fromUtf8(reinterpret_cast<const char*>(s)) : QString();
}

bool isElement(const xmlNode* node) {
    return node->type == XML_ELEMENT_NODE;
}

bool hasElementChildren(const xmlNode* node) {
    for (const xmlNode* c = node->children; c; c = c->next)
        if (isElement(c)) return true;
    return false;
}

QString elementName(const xmlNode* node) {
    const QString local = xmlText(node->name);
    if (node->ns && node->ns->prefix) return xmlText(node->ns->prefix) + u':' + local;
    return local;
}

// Text content of an element without element children: its text and CDATA. Entity references are not
// followed, so a document cannot expand itself (nested entities) through the text we read.
QString leafText(const xmlNode* node) {
    QString text;
    for (const xmlNode* c = node->children; c; c = c->next)
        if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) text += xmlText(c->content);
    return text;
}

// Rows reach the handler deepest first: a nested record before the element that holds it. Only values of
// elements without element children are used, which is also what keeps the walk linear.
void walkXML(const xmlNode* element, const std::function<void(const PrayerRow&)>& handler) {
    PrayerRow row;
    for (const xmlNode* child = element->children; child; child = child->next) {
        if (!isElement(child)) continue; // text, comments and attributes are never read
        if (hasElementChildren(child)) {
            walkXML(child, handler);
            continue;
        }
        const QString name = elementName(child).toLower();
        const QString value = leafText(child).trimmed();
        if (!name.isEmpty() && !value.isEmpty())
            row.insert(name, value); // a later sibling replaces an earlier one
    }
    if (!row.isEmpty()) handler(row);
}

// ---- HTML ----

const QRegularExpression& rowPattern() {
    static const QRegularExpression re(QStringLiteral("(?is)<tr[^>]*>(.*?)</tr>"));
    return re;
}
const QRegularExpression& cellPattern() {
    static const QRegularExpression re(QStringLiteral("(?is)<t[dh][^>]*>(.*?)</t[dh]>"));
    return re;
}
// Unicode properties so that \d means what it means in ICU's expressions.
const QRegularExpression& isoDatePattern() {
    static const QRegularExpression re(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"),
                                       QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

} // namespace

QString PrayerSource::jsonText(const QJsonValue& value) {
    // Integers (as read, or a double without a fraction that it holds exactly) are written without one, so 5
    // and 5.0 both read "5"; other numbers in the shortest form that reads back to the same double; booleans
    // as true/false; null as "null"; arrays and objects as compact JSON.
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Null:
        return QStringLiteral("null");
    case QJsonValue::Double: {
        if (const QVariant v = value.toVariant(); v.typeId() == QMetaType::LongLong)
            return QString::number(v.toLongLong());
        const double d = value.toDouble();
        constexpr double kExactIntegers = 9007199254740992.0; // 2^53
        if (std::trunc(d) == d && std::fabs(d) <= kExactIntegers)
            return QString::number(static_cast<qint64>(d));
        return QString::number(d, 'g', QLocale::FloatingPointShortest);
    }
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Undefined:
        break;
    }
    return {};
}

bool PrayerSource::looksLikePrayerRow(const QStringList& keys) {
    bool hasDate = false;
    bool hasPrayer = false;
    for (const QString& key : keys) {
        const QString lower = key.toLower();
        hasDate =
            hasDate || std::find(std::begin(kDateKeys), std::end(kDateKeys), lower) != std::end(kDateKeys);
        hasPrayer = hasPrayer ||
                    std::find(std::begin(kPrayerKeys), std::end(kPrayerKeys), lower) != std::end(kPrayerKeys);
    }
    return hasDate && hasPrayer;
}

Result<PrayerMonthCache> PrayerSource::parse(const QString& body, const QString& cityCode,
                                             const QString& month) {
    const QString trimmed = body.trimmed();
    const QChar first = trimmed.isEmpty() ? QChar() : trimmed.front();
    if (first == u'{' || first == u'[') return parseJson(body, cityCode, month);
    if (first == u'<') {
        // Every real web page starts with a tag, and the XML reader flattens a table's cells into nothing
        // usable, so a page that gives no day as XML is read again as an HTML table.
        auto xml = parseXML(body, cityCode, month);
        if (xml && !xml->days.isEmpty()) return xml;
    }
    return Result<PrayerMonthCache>::ok(parseHTML(body, cityCode, month));
}

Result<PrayerMonthCache> PrayerSource::parseJson(const QString& body, const QString& cityCode,
                                                 const QString& month) {
    const auto document = json::parse(body.toUtf8());
    if (!document) return Result<PrayerMonthCache>::fail(document.error());

    QList<PrayerRow> rows;
    if (document->isArray()) {
        // The flat form: every object is a row as it stands, without the row test and without descending.
        for (const QJsonValue element : document->toArray()) {
            if (!element.isObject()) continue;
            const QJsonObject object = element.toObject();
            PrayerRow row;
            for (auto it = object.begin(); it != object.end(); ++it)
                if (!it.value().isNull()) row.insert(it.key(), jsonText(it.value()));
            rows.append(row);
        }
    } else {
        rows = extractJsonDays(*document);
    }
    return sortedMonth(toDays(rows, cityCode, month), cityCode, month);
}

QList<PrayerRow> PrayerSource::extractJsonDays(const QJsonValue& value) {
    QList<PrayerRow> rows;
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        if (looksLikePrayerRow(object)) {
            PrayerRow row;
            for (auto it = object.begin(); it != object.end(); ++it)
                row.insert(it.key(), jsonText(it.value()));
            rows.append(row);
        }
        for (auto it = object.begin(); it != object.end(); ++it)
            rows.append(extractJsonDays(it.value()));
    } else if (value.isArray()) {
        for (const QJsonValue element : value.toArray())
            rows.append(extractJsonDays(element));
    }
    return rows;
}

Result<PrayerMonthCache> PrayerSource::parseXML(const QString& body, const QString& cityCode,
                                                const QString& month) {
    static const bool initialised = (xmlInitParser(), true);
    Q_UNUSED(initialised);

    const QByteArray bytes = body.toUtf8();
    // Recover from ordinary markup faults; never substitute entities, load a DTD or touch the network.
    constexpr int kOptions = XML_PARSE_RECOVER | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    xmlResetLastError();
    const std::unique_ptr<xmlDoc, XmlDocFree> doc(
        xmlReadMemory(bytes.constData(), static_cast<int>(bytes.size()), nullptr, "UTF-8", kOptions));
    if (!doc) {
        const xmlError* error = xmlGetLastError();
        const QString message = error && error->message ? QString::fromUtf8(error->message).trimmed()
                                                        : QStringLiteral("unreadable XML");
        return Result<PrayerMonthCache>::fail(message);
    }

    QList<PrayerRow> rows;
    if (const xmlNode* root = xmlDocGetRootElement(doc.get())) {
        walkXML(root, [&rows](const PrayerRow& row) {
            if (looksLikePrayerRow(row)) rows.append(row);
        });
    }
    return sortedMonth(toDays(rows, cityCode, month), cityCode, month);
}

PrayerMonthCache PrayerSource::parseHTML(const QString& body, const QString& cityCode, const QString& month) {
    QList<PrayerDay> days;
    for (auto rowIt = rowPattern().globalMatch(body); rowIt.hasNext();) {
        const QString rowMarkup = rowIt.next().captured(1);
        QStringList cells;
        for (auto cellIt = cellPattern().globalMatch(rowMarkup); cellIt.hasNext();)
            cells.append(cleanHtmlText(cellIt.next().captured(1)));
        if (cells.size() < 8 || !isoDatePattern().match(cells[0]).hasMatch()) continue; // header or short row
        const PrayerRow row{{"tanggal", cells[0]}, {"subuh", cells[2]}, {"terbit", cells[3]},
                            {"dzuhur", cells[4]},  {"ashar", cells[5]}, {"maghrib", cells[6]},
                            {"isya", cells[7]}};
        if (auto day = toPrayerDay(row, cityCode, month)) days.append(std::move(*day));
    }
    return *sortedMonth(std::move(days), cityCode, month);
}

std::optional<QString> parsePrayerTime(const PrayerRow& row, const QString& key) {
    for (auto it = row.begin(); it != row.end(); ++it) {
        if (it.key().toLower() != key) continue;
        const QString text = it.value().trimmed();
        // Too long for "HH:mm:ss": kept whole, so that cutting it never makes a time of it.
        if (text.size() > kMaxTimeTextChars) return text;
        if (!text.contains(u':')) return text; // "04.35" and "" stay as they are
        const QStringList pieces = text.split(u':', Qt::SkipEmptyParts);
        if (pieces.size() >= 2) return pieces[0] + u':' + pieces[1]; // seconds are dropped
        return text;
    }
    return std::nullopt;
}

std::optional<PrayerDay> toPrayerDay(const PrayerRow& row, const QString& cityCode, const QString& month) {
    // Date keys are matched exactly as written; time keys ignore case.
    std::optional<QString> dateText;
    for (const QString& key : kDateKeys) {
        if (auto it = row.constFind(key); it != row.cend()) {
            dateText = *it;
            break;
        }
    }
    if (!dateText) return std::nullopt;
    const auto date = DateHelpers::dateFormatter().parse(*dateText);
    if (!date) return std::nullopt;

    auto either = [&row](const char* key, const char* fallback) {
        auto time = parsePrayerTime(row, QString::fromLatin1(key));
        if (!time && fallback) time = parsePrayerTime(row, QString::fromLatin1(fallback));
        return time;
    };
    const std::pair<PrayerName, std::optional<QString>> times[] = {
        {PrayerName::subuh, either("subuh", nullptr)},     {PrayerName::syuruq, either("terbit", "syuruq")},
        {PrayerName::dhuhur, either("dzuhur", "dhuhr")},   {PrayerName::ashar, either("ashar", "asr")},
        {PrayerName::maghrib, either("maghrib", nullptr)}, {PrayerName::isya, either("isya", "isyak")},
    };
    QList<PrayerSlot> slots;
    for (const auto& [name, time] : times) {
        if (!time) return std::nullopt;
        slots.append(PrayerSlot{name, *time});
    }
    if (DateHelpers::monthFormatter().format(*date) != month) return std::nullopt;
    return PrayerDay{cityCode, cityCode, DateHelpers::dateFormatter().format(*date), std::move(slots)};
}

} // namespace lumora
