#include "city_code.h"

namespace lumora {

bool isSafeCityCode(const QString& code) {
    if (code.isEmpty() || code == u"." || code == u"..") return false;
    for (QChar c : code) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
                        u == u'-' || u == u'_' || u == u'.';
        if (!ok) return false;
    }
    return true;
}

} // namespace lumora
