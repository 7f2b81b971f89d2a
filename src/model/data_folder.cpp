#include "data_folder.h"

#include <QDir>
#include <QStandardPaths>

namespace lumora {

QString dataFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) base = QDir::tempPath();
    const QString folder = base + QStringLiteral("/LumoraMac");
    // A failure shows later as unreadable or unwritable files, which every caller treats as absence.
    QDir().mkpath(folder);
    return folder;
}

} // namespace lumora
