#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace lumora {

/// Files shipped with the application: the compiled-in Qt resources (":/lumora/<name>.<ext>"), then the
/// folders given at construction, in their order (the composition root decides them; see AppConfig).
class ResourceLocator {
public:
    /// Compiled-in resources only.
    ResourceLocator() = default;
    explicit ResourceLocator(QStringList folders) : m_folders(std::move(folders)) {}

    const QStringList& folders() const { return m_folders; }

    /// A "qrc:" URL for a compiled-in resource, a file URL otherwise; none when no place holds it.
    std::optional<QUrl> url(const QString& forResource, const QString& withExtension) const;
    /// The same resource as a path QFile opens (":/..." for compiled-in resources).
    std::optional<QString> path(const QString& forResource, const QString& withExtension) const;
    /// A readable file on disk at `relativePath` (for example "sounds/takbir.wav") under the first folder
    /// that holds one, canonical; compiled-in resources are skipped, since other programs cannot open them.
    std::optional<QString> filePath(const QString& relativePath) const;

private:
    QStringList m_folders;
};

} // namespace lumora
