#pragma once

#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <chrono>

namespace lumeno::e2e {

// lumeno-ocr started as a user would, with its own settings and runtime folders, its standard
// output collected as it comes.
class TrayProgram
{
public:
    // Starts from these stored settings: by default those of a user who has dismissed the
    // first-run hint for good, so that it stays out of the way.
    explicit TrayProgram(const QJsonObject &settings = {{"MainPopover", "2"}});
    ~TrayProgram();

    // Starts the program against these service addresses and waits for its tray icon.
    bool start(const QUrl &ocrServer, const QUrl &translate);

    const QString &output() const { return m_output; }
    bool waitForOutput(const QString &text, std::chrono::milliseconds timeout);
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // The program's settings folder.
    QString configPath() const { return m_config.path(); }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_runtime;
    QProcess m_process;
    QString m_output;
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
