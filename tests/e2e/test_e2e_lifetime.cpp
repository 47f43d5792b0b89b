// How the running tray program ends under Xvfb with openbox and tint2
// (tests/support/with-x11-session --tray): SIGTERM, as a log-out sends it, takes it through its
// event loop to a clean exit that stops the OCR server it started itself.
#include "TrayProgram.h"
#include "X11Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTcpSocket>
#include <gtest/gtest.h>

using namespace lumeno::e2e;

namespace {

// The program starts a server of its own only for this address, and only when nothing answers
// there.
const QUrl kDefaultServer(QStringLiteral("http://127.0.0.1:18765"));

bool defaultServerAnswers()
{
    QTcpSocket socket;
    socket.connectToHost(kDefaultServer.host(), quint16(kDefaultServer.port()));
    return socket.waitForConnected(5000);
}

// The processes whose parent is this one and whose program is lumeno-ocr-server, known by the
// file they run: the server re-executes itself through /proc/self/exe, which names it "exe".
std::vector<qint64> serverChildren(qint64 parent)
{
    std::vector<qint64> children;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...", where the name may hold spaces and parentheses.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        const QString program = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
        if (rest.size() > 1 && rest[1].toLongLong() == parent &&
            QFileInfo(program).fileName() == QLatin1String("lumeno-ocr-server"))
            children.push_back(pid.toLongLong());
    }
    return children;
}

TEST(ProgramEnd, SigtermEndsTheProgramWithStatusZeroAfterItStoppedItsOwnServer)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under with-x11-session --tray";
    // Another run of this test on the machine may hold the address for a while.
    ASSERT_TRUE(waitUntil([] { return !defaultServerAnswers(); }, 300s))
        << "something else answers at " << kDefaultServer.toString().toStdString()
        << ", so the program would start no server of its own";

    TrayProgram program;
    ASSERT_TRUE(program.start(kDefaultServer, deadAddress())) << program.output().toStdString();
    ASSERT_TRUE(program.waitForOutput("listening on " + kDefaultServer.toString(), 120s))
        << "the program starts its own server: " << program.output().toStdString();
    const std::vector<qint64> servers = serverChildren(program.processId());
    ASSERT_EQ(servers.size(), 1u) << "one server, the program's child";
    ASSERT_TRUE(defaultServerAnswers());
    const QString lock = QDir(program.runtimePath()).filePath("lumeno-ocr.lock");
    ASSERT_TRUE(QFileInfo::exists(lock));

    // Sends SIGTERM and waits: exit status 0, and no sanitizer report from either process.
    EXPECT_TRUE(program.stop());
    // The program waits for its child before it exits, so the child is reaped by now; a child
    // ended by the kernel's parent-death signal instead would outlive the program a little.
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/%1").arg(servers.front())))
        << "the server outlived the program";
    EXPECT_FALSE(defaultServerAnswers());
    EXPECT_FALSE(QFileInfo::exists(lock)) << "the program's objects were destroyed";
}

} // namespace
