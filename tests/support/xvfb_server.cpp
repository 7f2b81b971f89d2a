#include "xvfb_server.h"

#include <QDeadlineTimer>

#include <unistd.h>

namespace lumora::test {

XvfbServer::XvfbServer(const QString& screen) {
    int fds[2];
    if (pipe(fds) != 0) return;
    // -displayfd makes the server choose a free display and write its number once it accepts clients, so
    // parallel tests never race for a display or connect too early.
    m_process.setProgram(QStringLiteral("Xvfb"));
    m_process.setArguments({QStringLiteral("-displayfd"), QString::number(fds[1]), QStringLiteral("-screen"),
                            QStringLiteral("0"), screen, QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    m_process.setChildProcessModifier([fd = fds[0]] { close(fd); });
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
    m_process.start();
    close(fds[1]);
    QByteArray number;
    if (m_process.waitForStarted(5000)) {
        char c;
        const QDeadlineTimer deadline(10'000);
        while (!deadline.hasExpired() && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
    }
    close(fds[0]);
    if (number.isEmpty()) {
        m_process.kill();
        m_process.waitForFinished();
        return;
    }
    m_display = QStringLiteral(":") + QString::fromLatin1(number);
    m_hadDisplay = qEnvironmentVariableIsSet("DISPLAY");
    m_oldDisplay = qgetenv("DISPLAY");
    qputenv("DISPLAY", m_display.toLatin1());
}

XvfbServer::~XvfbServer() {
    if (m_display.isEmpty()) return;
    if (m_hadDisplay)
        qputenv("DISPLAY", m_oldDisplay);
    else
        qunsetenv("DISPLAY");
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) m_process.kill();
    m_process.waitForFinished();
}

} // namespace lumora::test
