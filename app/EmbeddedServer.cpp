#include "EmbeddedServer.h"

#include "Endpoints.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <QTcpSocket>
#include <csignal>
#include <sys/prctl.h>

namespace lumeno {

namespace {

const QString kProgramName = QStringLiteral("lumeno-ocr-server");
// Loopback answers or refuses at once; the bound only matters for a host that drops packets.
constexpr int kProbeTimeoutMs = 1000;
// Recognition in flight ends quickly; a server that ignores SIGTERM is killed after this.
constexpr int kStopTimeoutMs = 5000;
constexpr int kStartTimeoutMs = 10000;

bool answers(const QString &host, quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(host, port);
    return socket.waitForConnected(kProbeTimeoutMs);
}

} // namespace

EmbeddedServer::EmbeddedServer(QObject *parent) : QObject(parent)
{
    // The server's own lines ("listening on ...") belong in the program's output.
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    // Runs in the child before exec: the kernel ends the server when the program dies without
    // reaching stop() (killed, crashed).
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

EmbeddedServer::~EmbeddedServer()
{
    stop();
}

bool EmbeddedServer::isDefaultAddress(const QUrl &configured)
{
    const QUrl standard = Endpoints().ocrServer;
    return configured.scheme() == standard.scheme() && configured.host() == standard.host() &&
           configured.port() == standard.port() &&
           (configured.path().isEmpty() || configured.path() == QLatin1String("/"));
}

QString EmbeddedServer::locateProgram()
{
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {here.filePath(kProgramName),
                                     here.filePath(QStringLiteral("../server/") + kProgramName)}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return QStandardPaths::findExecutable(kProgramName);
}

Result EmbeddedServer::start(const QUrl &address, const QString &program)
{
    if (isRunning())
        return {true, {}};
    const QString host = address.host();
    const int port = address.port();
    if (host.isEmpty() || port <= 0)
        return {false, QStringLiteral("the OCR server address has no host and port")};
    if (answers(host, quint16(port)))
        return {true, {}};
    if (program.isEmpty())
        return {false, kProgramName + QStringLiteral(" was not found")};
    // One user waits for one capture at a time: every core may read its lines.
    m_process.start(program, {QStringLiteral("--host"), host, QStringLiteral("--port"),
                              QString::number(port), QStringLiteral("--workers-per-request"),
                              QString::number(QThread::idealThreadCount())});
    if (!m_process.waitForStarted(kStartTimeoutMs))
        return {false, QStringLiteral("%1 could not be started").arg(kProgramName)};
    return {true, {}};
}

void EmbeddedServer::stop()
{
    if (!isRunning())
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

} // namespace lumeno
