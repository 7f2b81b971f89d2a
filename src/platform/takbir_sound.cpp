#include "takbir_sound.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

namespace lumora {

std::optional<QString> takbirSoundPath() {
    const QString file = QStringLiteral("/sounds/takbir.wav");
    QStringList roots;
    if (const QString env = qEnvironmentVariable("LUMORA_RESOURCE_DIR"); !env.isEmpty()) roots << env;
    // A relocated install finds its own copy before the one the build was configured for.
    if (QCoreApplication::instance())
        roots << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/lumora");
    roots << QStringLiteral(LUMORA_INSTALLED_DATA_DIR) << QStringLiteral(LUMORA_SOURCE_RESOURCE_DIR);
    for (const QString& root : roots) {
        const QFileInfo info(root + file);
        if (info.isFile() && info.isReadable()) return info.canonicalFilePath();
    }
    return std::nullopt;
}

} // namespace lumora
