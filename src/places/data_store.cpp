#include "data_store.h"

namespace lumora {

DataStore::DataStore(QString folder, Settings settings, const Clock& clock, ResourceLocator resources)
    : m_folder(std::move(folder)), m_settings(std::move(settings)), m_clock(clock),
      m_resources(std::move(resources)) {
    storage::ensurePrivateFolder(m_folder);
}

std::optional<Instant> DataStore::expirationDate(const QString& path) const {
    return storage::modificationTime(path);
}

} // namespace lumora
