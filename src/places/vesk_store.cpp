#include "vesk_store.h"

namespace lumora {

VeskStore::VeskStore(QString baseURL, Settings settings, const Clock& clock, ResourceLocator resources)
    : m_baseURL(std::move(baseURL)), m_settings(std::move(settings)), m_clock(clock),
      m_resources(std::move(resources)) {
    storage::ensureFolder(m_baseURL);
}

std::optional<Instant> VeskStore::expirationDate(const QString& path) const {
    return storage::modificationTime(path);
}

} // namespace lumora
