#include "single_instance_lock.h"

#include <QDir>

namespace lumora {

SingleInstanceLock::SingleInstanceLock(const QString& folder)
    : m_lockPath(folder + QStringLiteral("/lumora.lock")) {
    QDir().mkpath(folder);
}

bool SingleInstanceLock::acquire() {
    if (!m_lock.isHeld()) m_lock = AdvisoryLock::acquire(m_lockPath);
    return m_lock.isHeld();
}

} // namespace lumora
