#include "notification_backend.h"

#include "model/date_helpers.h"

namespace lumora {

QString soundName(NotificationSound sound) {
    switch (sound) {
    case NotificationSound::takbir:
        return QStringLiteral("takbir");
    case NotificationSound::standard:
        return QStringLiteral("default");
    case NotificationSound::none:
        break;
    }
    return QStringLiteral("none");
}

NotificationTrigger NotificationTrigger::at(Instant t) {
    const CivilTime c = DateHelpers::civil(t);
    return NotificationTrigger{c.year, c.month, c.day, c.hour, c.minute};
}

std::optional<Instant> NotificationTrigger::instant() const {
    return DateHelpers::fromCivil(CivilTime{year, month, day, hour, minute, 0});
}

} // namespace lumora
