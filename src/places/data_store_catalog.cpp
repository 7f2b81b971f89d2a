#include "data_store.h"

#include "places/places_log.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>

namespace lumora {

namespace {
const QString kCatalogFile = QStringLiteral("city-catalog.json");
}

std::optional<QList<CityEntry>> DataStore::loadCatalog() const {
    const auto bytes = storage::readFile(filePath(kCatalogFile), files::Kind::catalogue);
    if (!bytes) return std::nullopt;
    const auto parsed = json::parse(*bytes);
    if (!parsed || !parsed->isArray()) return std::nullopt;
    QList<CityEntry> entries;
    for (const QJsonValue& element : parsed->toArray()) {
        auto entry = CityEntry::fromJson(element);
        // One bad element makes the whole file unusable: a partial catalogue would hide cities silently.
        if (!entry) return std::nullopt;
        entries.append(std::move(entry).value());
    }
    return entries;
}

void DataStore::saveCatalog(const QList<CityEntry>& entries) {
    QJsonArray array;
    for (const CityEntry& entry : entries)
        array.append(entry.toJson());
    if (!storage::writeFileAtomically(filePath(kCatalogFile),
                                      QJsonDocument(array).toJson(QJsonDocument::Compact))) {
        const int why = errno;
        qCWarning(placesLog).noquote()
            << "cannot write the city catalogue" << filePath(kCatalogFile) << "-" << std::strerror(why);
    }
}

} // namespace lumora
