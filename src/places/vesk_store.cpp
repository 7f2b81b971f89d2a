#include "vesk_store.h"

#include "model/data_folder.h"

namespace lumora {

VeskStore& VeskStore::shared() {
    static VeskStore store(dataFolder(), Settings(), SystemClock::instance());
    return store;
}

VeskStore::VeskStore(QString baseURL, Settings settings, const Clock& clock)
    : m_baseURL(std::move(baseURL)), m_settings(std::move(settings)), m_clock(clock) {
    storage::ensureFolder(m_baseURL);
}

std::optional<Instant> VeskStore::expirationDate(const QString& path) const {
    return storage::modificationTime(path);
}

} // namespace lumora
