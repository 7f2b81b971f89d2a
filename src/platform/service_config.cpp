#include "service_config.h"

namespace lumora {

QString scheduleBaseUrl() {
    if (qEnvironmentVariableIsSet("LUMORA_SCHEDULE_URL"))
        return qEnvironmentVariable("LUMORA_SCHEDULE_URL").trimmed();
    return QStringLiteral(LUMORA_DEFAULT_SCHEDULE_URL);
}

} // namespace lumora
