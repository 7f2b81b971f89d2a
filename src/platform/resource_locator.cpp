#include "resource_locator.h"

#include <QFileInfo>

namespace lumora {

namespace {

// Resource names come from our own code, but never let one climb out of the folders searched.
bool isPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u"." && name != u"..";
}

bool isFile(const QString& path) {
    return QFileInfo(path).isFile();
}

} // namespace

std::optional<QString> ResourceLocator::path(const QString& forResource, const QString& withExtension) const {
    const QString file = withExtension.isEmpty() ? forResource : forResource + u'.' + withExtension;
    if (!isPlainName(file) || forResource.isEmpty()) return std::nullopt;

    const QString compiledIn = QStringLiteral(":/lumora/") + file;
    if (isFile(compiledIn)) return compiledIn;

    for (const QString& folder : m_folders) {
        if (folder.isEmpty()) continue;
        if (const QString candidate = folder + u'/' + file; isFile(candidate)) return candidate;
    }
    return std::nullopt;
}

std::optional<QUrl> ResourceLocator::url(const QString& forResource, const QString& withExtension) const {
    const auto p = path(forResource, withExtension);
    if (!p) return std::nullopt;
    if (p->startsWith(u':')) return QUrl(QStringLiteral("qrc") + *p);
    return QUrl::fromLocalFile(*p);
}

std::optional<QString> ResourceLocator::filePath(const QString& relativePath) const {
    const QStringList parts = relativePath.split(u'/');
    for (const QString& part : parts)
        if (!isPlainName(part)) return std::nullopt;
    for (const QString& folder : m_folders) {
        if (folder.isEmpty()) continue;
        const QFileInfo info(folder + u'/' + relativePath);
        if (info.isFile() && info.isReadable()) return info.canonicalFilePath();
    }
    return std::nullopt;
}

} // namespace lumora
