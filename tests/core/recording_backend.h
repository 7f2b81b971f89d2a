#pragma once

#include "platform/notification_backend.h"

#include <QList>

#include <memory>

namespace lumora::test {

/// Records what the centre delivers; the records outlive the backend, which the centre owns.
class RecordingBackend final : public NotificationBackend {
public:
    struct Log {
        QList<NotificationRequest> delivered;
        bool available = true;
    };

    explicit RecordingBackend(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    bool isAvailable() const override { return m_log->available; }
    void deliver(const NotificationRequest& request) override { m_log->delivered.append(request); }

private:
    std::shared_ptr<Log> m_log;
};

} // namespace lumora::test
