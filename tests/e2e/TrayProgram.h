#pragma once

#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <chrono>
#include <gtest/gtest.h>

namespace lumeno::e2e {

// lumeno-ocr started as a user would, with its own settings and runtime folders, its standard
// output and error collected as they come. It is ended as a session ends it, and the test fails
// unless it ends cleanly: sanitizer reports, LeakSanitizer's at exit among them, would otherwise
// go unseen.
class TrayProgram
{
public:
    // Starts from these stored settings: by default those of a user who has dismissed the
    // first-run hint for good, so that it stays out of the way.
    explicit TrayProgram(const QJsonObject &settings = {{"MainPopover", "2"}});
    // Ends the program with stop() unless a test did, adding a failure to the running test when
    // it does not end cleanly.
    ~TrayProgram();

    // Starts the program against these service addresses and waits for its tray icon.
    bool start(const QUrl &ocrServer, const QUrl &translate);

    // Ends the program with SIGTERM, as a log-out does, and waits for it. Succeeds when it
    // exited with status 0 and neither it nor its children printed a sanitizer report. A
    // program that has already ended is only checked.
    ::testing::AssertionResult stop();

    const QString &output() const { return m_output; }
    // What the program and its children wrote to standard error; forwarded to the test's own too.
    const QString &errors() const { return m_errors; }
    bool waitForOutput(const QString &text, std::chrono::milliseconds timeout);
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 processId() const { return m_process.processId(); }
    // The program's settings folder.
    QString configPath() const { return m_config.path(); }
    // The program's $XDG_RUNTIME_DIR, where its single-instance lock lives.
    QString runtimePath() const { return m_runtime.path(); }

private:
    void collect();

    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
    QProcess m_process;
    QString m_output;
    QString m_errors;
    bool m_started = false;
    bool m_checked = false;
};

// A loopback address where nothing listens.
QUrl deadAddress();

// Whether the program's capture overlay covers the primary screen.
bool captureOverlayShown();
// The middle of the program's icon in the tray; nothing before the tray host has placed it.
QPoint trayIconCentre();

// lumeno-ocr-server on a free loopback port, for as long as the object lives.
class OcrServer
{
public:
    ~OcrServer();
    bool start();
    QUrl baseUrl() const { return m_baseUrl; }

private:
    QProcess m_process;
    QUrl m_baseUrl;
};

} // namespace lumeno::e2e
