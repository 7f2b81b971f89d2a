#include "service_config.h"

namespace lumora {

QString scheduleBaseUrl() {
    if (qEnvironmentVariableIsSet("LUMORA_SCHEDULE_URL"))
        return qEnvironmentVariable("LUMORA_SCHEDULE_URL").trimmed();
    return QStringLiteral(LUMORA_DEFAULT_SCHEDULE_URL);
}

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
