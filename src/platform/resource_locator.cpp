#include "resource_locator.h"

#include <QFileInfo>

namespace lumora::ResourceLocator {

namespace {

// Resource names come from our own code, but never let one climb out of the folders searched.
bool isPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u"." && name != u"..";
}

bool isFile(const QString& path) {
    return QFileInfo(path).isFile();
}

} // namespace

std::optional<QString> path(const QString& forResource, const QString& withExtension) {
    const QString file = withExtension.isEmpty() ? forResource : forResource + u'.' + withExtension;
    if (!isPlainName(file) || forResource.isEmpty()) return std::nullopt;

    const QString compiledIn = QStringLiteral(":/lumora/") + file;
    if (isFile(compiledIn)) return compiledIn;

    const QString overrideDir = qEnvironmentVariable("LUMORA_RESOURCE_DIR");
    if (!overrideDir.isEmpty() && isFile(overrideDir + u'/' + file)) return overrideDir + u'/' + file;

    const QString installed = QStringLiteral(LUMORA_INSTALLED_DATA_DIR) + u'/' + file;
    if (isFile(installed)) return installed;
    return std::nullopt;
}

std::optional<QUrl> url(const QString& forResource, const QString& withExtension) {
    const auto p = path(forResource, withExtension);
    if (!p) return std::nullopt;
    if (p->startsWith(u':')) return QUrl(QStringLiteral("qrc") + *p);
    return QUrl::fromLocalFile(*p);
}

} // namespace lumora::ResourceLocator
