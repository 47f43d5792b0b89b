#include "EmbeddedServer.h"
#include "OverlayView.h"
#include "SingleInstance.h"
#include "TerminationSignals.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWindow>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumeno;

namespace {

// Gone, or a zombie nobody reaps: the orphan's new parent may not wait for it.
bool hasEnded(pid_t pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) == "Z";
}

TEST(EmbeddedServer, OnlyTheDefaultLoopbackAddressIsServedByTheProgram)
{
    EXPECT_TRUE(EmbeddedServer::isDefaultAddress(QUrl("http://127.0.0.1:18765")));
    EXPECT_TRUE(EmbeddedServer::isDefaultAddress(QUrl("http://127.0.0.1:18765/")));
    EXPECT_FALSE(EmbeddedServer::isDefaultAddress(QUrl("http://127.0.0.1:18766")));
    EXPECT_FALSE(EmbeddedServer::isDefaultAddress(QUrl("http://10.0.0.5:18765")));
    EXPECT_FALSE(EmbeddedServer::isDefaultAddress(QUrl("https://127.0.0.1:18765")));
}

// A stand-in server program that records its arguments and stays up until it is told to end.
class FakeServerProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_program = m_dir.filePath("fake-server");
        QFile script(m_program);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho $$ > \"$0.pid\"\necho \"$@\" > \"$0.args\"\nexec sleep 60\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
    }

    QString recorded(const char *what) const
    {
        QFile file(m_program + what);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed()
                                              : QString();
    }
    QString recordedArguments() const { return recorded(".args"); }

    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    QTemporaryDir m_dir;
    QString m_program;
};

TEST_F(FakeServerProgram, NothingAnsweringStartsTheServerOnThatAddressAndStopEndsIt)
{
    const quint16 port = freePort();
    EmbeddedServer server;
    const Result started = server.start(QUrl(QString("http://127.0.0.1:%1").arg(port)), m_program);
    ASSERT_TRUE(started.ok) << started.why.toStdString();
    EXPECT_TRUE(server.isRunning());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !recordedArguments().isEmpty(); }, 30000));
    EXPECT_EQ(recordedArguments(), QString("--host 127.0.0.1 --port %1 --workers-per-request %2")
                                       .arg(port)
                                       .arg(QThread::idealThreadCount()));
    server.stop();
    EXPECT_FALSE(server.isRunning());
}

TEST_F(FakeServerProgram, AServerAlreadyAnsweringIsUsedAsItIs)
{
    QTcpServer running;
    ASSERT_TRUE(running.listen(QHostAddress::LocalHost, 0));
    EmbeddedServer server;
    const Result started =
        server.start(QUrl(QString("http://127.0.0.1:%1").arg(running.serverPort())), m_program);
    EXPECT_TRUE(started.ok);
    EXPECT_FALSE(server.isRunning());
}

TEST_F(FakeServerProgram, TheChildDoesNotOutliveItsOwner)
{
    pid_t pid = 0;
    {
        EmbeddedServer server;
        ASSERT_TRUE(server.start(QUrl(QString("http://127.0.0.1:%1").arg(freePort())), m_program));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !recordedArguments().isEmpty(); }, 30000));
        pid = recorded(".pid").toInt();
        ASSERT_GT(pid, 0);
        EXPECT_EQ(kill(pid, 0), 0);
    }
    EXPECT_EQ(kill(pid, 0), -1);
}

TEST_F(FakeServerProgram, TheChildEndsWhenItsOwnerIsKilled)
{
    const pid_t owner = fork();
    ASSERT_NE(owner, -1);
    if (owner == 0) {
        // The owner starts the server and is killed before it can stop it.
        EmbeddedServer server;
        server.start(QUrl(QString("http://127.0.0.1:%1").arg(freePort())), m_program);
        for (;;)
            pause();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recorded(".pid").isEmpty(); }, 30000));
    const pid_t child = recorded(".pid").toInt();
    kill(owner, SIGKILL);
    waitpid(owner, nullptr, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return hasEnded(child); }, 30000));
}

TEST(EmbeddedServer, AMissingProgramIsReportedWithAReason)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    EmbeddedServer server;
    const Result missing = server.start(QUrl(QString("http://127.0.0.1:%1").arg(port)), QString());
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.why.isEmpty());
    const Result broken =
        server.start(QUrl(QString("http://127.0.0.1:%1").arg(port)), "/nonexistent/server");
    EXPECT_FALSE(broken.ok);
    EXPECT_FALSE(server.isRunning());
}

TEST(SingleInstance, ASecondProgramIsToldTheFirstIsRunning)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lumeno-ocr.lock");
    SingleInstance first(path);
    ASSERT_TRUE(first.acquire().ok);
    SingleInstance second(path);
    const Result refused = second.acquire();
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.why, "Lumeno OCR is already running.");
}

TEST(SingleInstance, TheLockOfAKilledProgramIsTakenOver)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("lumeno-ocr.lock");
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        QLockFile lock(path);
        lock.tryLock(0);
        _exit(lock.isLocked() ? 0 : 1); // ends without releasing, like a killed program
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(QFile::exists(path));
    SingleInstance next(path);
    EXPECT_TRUE(next.acquire().ok);
}

TEST(SingleInstance, TheDefaultLockLivesInTheSessionRuntimeFolder)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    EXPECT_EQ(SingleInstance::defaultLockPath(), runtime.filePath("lumeno-ocr.lock"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(SingleInstance::defaultLockPath().startsWith(QDir::tempPath()));
}

} // namespace

namespace {

TEST(OverlayView, OutlinesTheFirstWindowsFrameAndAPressOrdersItsWindowOut)
{
    QWidget first;
    first.setGeometry(60, 50, 120, 80);
    first.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
    QWidget target;
    target.show();
    OverlayView overlay;
    overlay.setOverlayWindow(&target);
    overlay.resize(400, 300);

    QImage drawn(overlay.size(), QImage::Format_ARGB32);
    drawn.fill(Qt::white);
    {
        QPainter painter(&drawn);
        overlay.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    const QRect frame = QGuiApplication::topLevelWindows().constFirst()->frameGeometry();
    ASSERT_TRUE(QRect(QPoint(), overlay.size()).contains(frame.adjusted(-8, -8, 8, 8)));
    const QColor inside = drawn.pixelColor(frame.center());
    // The white under the frame is wiped out; what is left is black at 0.2 over its own faint
    // shadow.
    EXPECT_EQ(inside.red(), 0);
    EXPECT_EQ(inside.green(), 0);
    EXPECT_EQ(inside.blue(), 0);
    EXPECT_GE(inside.alpha(), 51);
    EXPECT_LE(inside.alpha(), 110);
    const QColor edge = drawn.pixelColor(frame.center().x(), frame.top());
    EXPECT_GT(edge.red(), 150);
    EXPECT_LT(edge.green(), 100) << "stroked in red";
    const QColor shadow = drawn.pixelColor(frame.center().x(), frame.bottom() + 4);
    EXPECT_LT(shadow.red(), 250) << "a shadow falls below the frame";
    EXPECT_EQ(drawn.pixelColor(frame.right() + 30, frame.top() - 6), QColor(Qt::white));
    // Beside the other tests' pictures, in the build folder two levels above this program.
    const QDir artifacts(QCoreApplication::applicationDirPath() + "/../../test-artifacts");
    QDir().mkpath(artifacts.path());
    drawn.save(artifacts.absoluteFilePath("overlay-view.png"));

    QTest::mouseClick(&overlay, Qt::LeftButton);
    EXPECT_FALSE(target.isVisible());
}

} // namespace

TEST(TerminationSignals, EachSignalReachesTheEventLoopAndTheFormerHandlersComeBack)
{
    struct sigaction before = {};
    sigaction(SIGHUP, nullptr, &before);
    std::vector<int> received;
    {
        TerminationSignals watcher;
        ASSERT_TRUE(watcher.install());
        TerminationSignals second;
        EXPECT_FALSE(second.install()) << "one holder of the signals at a time";
        QObject::connect(&watcher, &TerminationSignals::received,
                         [&](int signalNumber) { received.push_back(signalNumber); });
        // Each would end this test program, were it not handled.
        for (int signalNumber : TerminationSignals::kSignals)
            ASSERT_EQ(raise(signalNumber), 0);
        EXPECT_TRUE(received.empty()) << "the handler only writes into the pipe";
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 3; }, 30000));
        EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
    }
    struct sigaction after = {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    TerminationSignals next;
    EXPECT_TRUE(next.install()) << "a released watcher lets the next one in";
}
