#pragma once

#include "model/city_entry.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace lumora {

/// The form under which city names, codes and aliases are compared: lower-cased (full Unicode), one leading
/// "kabupaten ", "kab. " or "kota " dropped, everything but a-z, 0-9 and space blanked, spaces collapsed and
/// trimmed.
QString normalizeCityName(const QString& s);

/// The first entry of `list` whose code, name or an alias normalizes to exactly the query's form; a query
/// merely holding a name does not count. None for a query that normalizes to nothing.
std::optional<CityEntry> exactCityMatch(const QList<CityEntry>& list, const QString& query);

/// The cities known without asking the schedule service (21), in the order that decides ties; Jakarta first.
QList<CityEntry> builtInCities();
/// The five Jakarta district names, used as aliases of any city named after Jakarta.
const QStringList& jakartaDistricts();

} // namespace lumora
