#pragma once

#include "places/data_store.h"

#include "model/city_entry.h"
#include "model/result.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <memory>
#include <optional>

class QNetworkAccessManager;
template <typename T> class QPromise;

namespace lumora {

/// Which cities the schedule service serves, under which code, and where they lie.
///
/// Sources in order of preference: the catalogue file of an earlier run, the service's own city page, and the
/// built-in table. All operations run on the thread that owns the network manager (the main thread); the
/// page is read on a worker thread.
class CityCatalog {
public:
    /// `scheduleBaseUrl` is the schedule service's base URL; empty when none is configured.
    CityCatalog(DataStore& store, QNetworkAccessManager& network, QString scheduleBaseUrl = {});
    ~CityCatalog();
    CityCatalog(const CityCatalog&) = delete;
    CityCatalog& operator=(const CityCatalog&) = delete;

    /// The catalogue in use, loaded on the first call and kept for the life of the object. Calls made while
    /// the page is being fetched wait for that one fetch.
    QCoro::Task<QList<CityEntry>> entries();
    /// The first entry, in catalogue order, whose code, name or an alias matches the normalized query.
    QCoro::Task<std::optional<CityEntry>> match(QString query);
    /// The nearest entry with coordinates (ties keep the earlier entry); the built-in Jakarta when none has
    /// any.
    QCoro::Task<CityEntry> nearestCity(GeoPoint location);

    /// The service's city page (the base URL, no query) read into entries without coordinates, the reading
    /// done on a worker thread. Fails at once, without a request, when no base URL is configured.
    QCoro::Task<Result<QList<CityEntry>>> fetchRemoteCatalog();
    /// The service's cities with coordinates and aliases lent by the built-in table (coordinates by the
    /// gazetteer's entry of that name for a city the table lacks); the table when empty.
    QList<CityEntry> merge(const QList<CityEntry>& remote) const;

    /// The built-in table (`builtInCities`), in the order that decides ties.
    const QList<CityEntry>& fallback() const { return m_fallback; }

    /// Names under which a service city is matched, derived from its display name.
    static QStringList aliases(const QString& name);
    /// The city options of a service page; options with an unsafe or empty code, an empty name or an
    /// implausibly long text are skipped, and a repeated code keeps the later option. An option's text ends
    /// at its end tag or where HTML ends it without one (the next option or group, the end of the list). A
    /// page listing more than `kMaxCities` cities is refused. Linear in the page's length.
    static Result<QList<CityEntry>> parseCatalogPage(const QByteArray& body);
    /// Far more cities than the service has; a page listing more is not its city list.
    static constexpr qsizetype kMaxCities = 10'000;
    /// Distance along the Earth's surface in metres (great circle on the mean Earth radius).
    static double distanceMetres(GeoPoint a, GeoPoint b);

private:
    DataStore& m_store;
    QNetworkAccessManager& m_network;
    const QString m_scheduleBaseUrl;
    const QList<CityEntry> m_fallback;
    QList<CityEntry> m_cities;
    // Set while entries() fetches the page; later callers wait for its future.
    std::shared_ptr<QPromise<void>> m_loading;
};

} // namespace lumora
