#include "TrayProgram.h"

#include "X11Session.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QScreen>
#include <QTcpServer>
#include <cstdio>

namespace lumeno::e2e {

namespace {

void stopProcess(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

// A sanitized build at exit runs LeakSanitizer over the whole heap, and the program stops its
// server child first: slow on a loaded machine, and still an end, not a hang.
constexpr int kEndTimeoutMs = 120000;

// The first line of each report AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer
// print, whatever their options say about halting.
bool hasSanitizerReport(const QString &text)
{
    static const QRegularExpression report(
        QStringLiteral("(ERROR|WARNING): \\w+Sanitizer|SUMMARY: \\w+Sanitizer|: runtime error: "));
    return report.match(text).hasMatch();
}

} // namespace

TrayProgram::TrayProgram(const QJsonObject &settings)
{
    QFile file(m_config.filePath(QStringLiteral("defaults.json")));
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(settings).toJson());
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { collect(); });
    QObject::connect(&m_process, &QProcess::readyReadStandardError, [this] { collect(); });
}

TrayProgram::~TrayProgram()
{
    if (!m_started || m_checked)
        return;
    if (const ::testing::AssertionResult ended = stop(); !ended)
        ADD_FAILURE() << ended.message();
}

void TrayProgram::collect()
{
    m_output += QString::fromUtf8(m_process.readAllStandardOutput());
    const QByteArray errors = m_process.readAllStandardError();
    if (errors.isEmpty())
        return;
    // Qt's warnings and the sanitizers' reports belong in the test log as they come.
    fwrite(errors.constData(), 1, size_t(errors.size()), stderr);
    fflush(stderr);
    m_errors += QString::fromUtf8(errors);
}

::testing::AssertionResult TrayProgram::stop()
{
    m_checked = true;
    if (!m_started)
        return ::testing::AssertionFailure() << "the program was never started";
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(kEndTimeoutMs)) {
            m_process.kill();
            m_process.waitForFinished(kEndTimeoutMs);
            collect();
            return ::testing::AssertionFailure() << "the program did not end on SIGTERM within "
                                                 << kEndTimeoutMs / 1000 << " s and was killed";
        }
    }
    collect();
    if (m_process.exitStatus() != QProcess::NormalExit)
        return ::testing::AssertionFailure()
               << "the program died of a signal instead of exiting; its standard error:\n"
               << m_errors.toStdString();
    if (m_process.exitCode() != 0)
        return ::testing::AssertionFailure() << "the program exited with status "
                                             << m_process.exitCode() << "; its standard error:\n"
                                             << m_errors.toStdString();
    if (hasSanitizerReport(m_errors) || hasSanitizerReport(m_output))
        return ::testing::AssertionFailure() << "a sanitizer report in the program's output:\n"
                                             << m_errors.toStdString();
    return ::testing::AssertionSuccess();
}

bool TrayProgram::start(const QUrl &ocrServer, const QUrl &translate)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LUMENO_CONFIG_DIR", m_config.path());
    environment.insert("XDG_RUNTIME_DIR", m_runtime.path());
    environment.insert("LUMENO_OCR_SERVER_URL", ocrServer.toString());
    environment.insert("LUMENO_TRANSLATE_URL", translate.toString());
    environment.insert("QT_QPA_PLATFORM", "xcb");
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(LUMENO_OCR_PROGRAM), {});
    if (!m_process.waitForStarted(30000))
        return false;
    m_started = true;
    // Ready once the tray host has taken the icon in.
    return waitUntil([this] {
        for (const X11Window &window : visibleWindows(QStringLiteral("lumeno-ocr")))
            if (window.geometry.size() == QSize(22, 22) && !window.geometry.topLeft().isNull())
                return true;
        return false;
    });
}

bool TrayProgram::waitForOutput(const QString &text, std::chrono::milliseconds timeout)
{
    return waitUntil([&] { return m_output.contains(text); }, timeout);
}

QUrl deadAddress()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
}

bool captureOverlayShown()
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    for (const X11Window &window : visibleWindows(QStringLiteral("lumeno-ocr")))
        if (window.geometry.size() == screen)
            return true;
    return false;
}

QPoint trayIconCentre()
{
    for (const X11Window &window : visibleWindows(QStringLiteral("lumeno-ocr")))
        if (window.geometry.size() == QSize(22, 22))
            return window.geometry.center();
    return {};
}

OcrServer::~OcrServer()
{
    stopProcess(m_process);
}

bool OcrServer::start()
{
    m_process.start(QStringLiteral(LUMENO_SERVER_PROGRAM), {"--host", "127.0.0.1", "--port", "0"});
    if (!m_process.waitForStarted(30000))
        return false;
    static const QRegularExpression ready(QStringLiteral("listening on (http://\\S+)"));
    QString output;
    const bool started = waitUntil(
        [&] {
            output += QString::fromUtf8(m_process.readAllStandardOutput());
            return ready.match(output).hasMatch();
        },
        60s);
    if (started)
        m_baseUrl = QUrl(ready.match(output).captured(1));
    return started;
}

} // namespace lumeno::e2e
