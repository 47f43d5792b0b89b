#pragma once

#include "Result.h"

#include <QObject>
#include <QProcess>
#include <QString>
#include <QUrl>

namespace lumeno {

// The maker's OCR server run as a child of the tray program, so that one command gives a working
// product offline. It is started only where the program would otherwise find no server: the
// configured address is the default loopback one and nothing answers there.
class EmbeddedServer : public QObject
{
    Q_OBJECT

public:
    explicit EmbeddedServer(QObject *parent = nullptr);
    // Stops the child: a server of ours never outlives the program.
    ~EmbeddedServer() override;

    // Whether the configured base address is the default local one, the only address the
    // program serves itself.
    static bool isDefaultAddress(const QUrl &configured);
    // lumeno-ocr-server beside the program (installed) or in the build tree's server/ folder,
    // else the one on PATH; empty when there is none.
    static QString locateProgram();

    // Starts `program --host H --port P --workers-per-request N` for the address, N the number of
    // cores, unless something accepts connections there already (then it succeeds without a
    // child). Fails when the program cannot be run.
    Result start(const QUrl &address, const QString &program);
    // Asks the child to end (SIGTERM), waiting a bounded time before killing it.
    void stop();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

private:
    QProcess m_process;
};

} // namespace lumeno
