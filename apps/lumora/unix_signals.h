#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace lumora {

/// Turns SIGTERM and SIGINT into a Qt signal on the main thread, so the app quits through its event loop
/// (the handler itself only writes a byte to a pipe, the one thing safe to do there).
class UnixSignals : public QObject {
    Q_OBJECT
public:
    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override;

Q_SIGNALS:
    void terminationRequested();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace lumora
