#pragma once

#include <QProcess>
#include <QString>

namespace lumora::test {

/// A private X server for the life of the object, on a display number it picks itself; DISPLAY points at it
/// meanwhile. `isRunning()` is false when Xvfb is missing or failed to start.
class XvfbServer {
public:
    explicit XvfbServer(const QString& screen = QStringLiteral("1280x800x24"));
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool isRunning() const { return !m_display.isEmpty(); }
    /// ":N"
    QString display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
    QByteArray m_oldDisplay;
    bool m_hadDisplay = false;
};

} // namespace lumora::test
