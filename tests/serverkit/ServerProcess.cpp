#include "ServerProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <signal.h>

namespace lumeno::testkit {

ServerProcess::ServerProcess(QStringList extraArguments, QProcessEnvironment environment,
                             const QString &program)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setProcessEnvironment(environment);
    m_process.start(program, QStringList{"--host", "127.0.0.1", "--port", "0"} + extraArguments);
}

ServerProcess::~ServerProcess()
{
    if (m_process.state() != QProcess::NotRunning && terminate(std::chrono::seconds(30)) < 0) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

QString ServerProcess::binaryPath()
{
    return QStringLiteral(LUMENO_OCR_SERVER_BINARY);
}

QByteArray ServerProcess::output()
{
    m_output += m_process.readAll();
    return m_output;
}

bool ServerProcess::waitReady(std::chrono::milliseconds timeout)
{
    static const QRegularExpression listening(
        QStringLiteral("^listening on http://127\\.0\\.0\\.1:(\\d+)$"),
        QRegularExpression::MultilineOption);
    QDeadlineTimer deadline(timeout);
    while (!deadline.hasExpired()) {
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(output()));
        if (match.hasMatch()) {
            m_port = static_cast<quint16>(match.captured(1).toUInt());
            return true;
        }
        if (m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(
            static_cast<int>(std::min<qint64>(deadline.remainingTime(), 500)));
    }
    return false;
}

qint64 ServerProcess::statusKiB(const QByteArray &field) const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toLongLong();
    return -1;
}

int ServerProcess::terminate(std::chrono::milliseconds timeout)
{
    if (m_process.state() != QProcess::NotRunning)
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(static_cast<int>(timeout.count())))
        return -1;
    output();
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

} // namespace lumeno::testkit
