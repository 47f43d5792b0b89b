#include "X11Session.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <gtest/gtest.h>

namespace lumeno::e2e {

std::optional<QString> run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

void xdotool(const QStringList &arguments)
{
    EXPECT_TRUE(run(QStringLiteral("xdotool"), arguments))
        << "xdotool " << arguments.join(' ').toStdString();
}

void click(const QPoint &at, int button)
{
    xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    xdotool({"click", QString::number(button)});
}

void key(const QString &keys)
{
    xdotool({"key", keys});
}

QString clipboardText()
{
    return run(QStringLiteral("xclip"), {"-selection", "clipboard", "-o"}).value_or(QString());
}

namespace {

std::optional<X11Window> describe(const QString &id)
{
    const auto name = run(QStringLiteral("xdotool"), {"getwindowname", id});
    // xwininfo, not xdotool: xdotool adds the window manager's frame offset to a decorated
    // window's position once too often.
    const auto info = run(QStringLiteral("xwininfo"), {"-id", id});
    if (!name || !info)
        return std::nullopt;
    static const QRegularExpression pattern(
        QStringLiteral("Absolute upper-left X: +(-?\\d+).*Absolute upper-left Y: +(-?\\d+).*"
                       "Width: (\\d+).*Height: (\\d+)"),
        QRegularExpression::DotMatchesEverythingOption);
    const auto match = pattern.match(*info);
    if (!match.hasMatch())
        return std::nullopt;
    return X11Window{id, name->trimmed(),
                     QRect(match.captured(1).toInt(), match.captured(2).toInt(),
                           match.captured(3).toInt(), match.captured(4).toInt())};
}

std::vector<X11Window> search(const QStringList &criteria)
{
    std::vector<X11Window> windows;
    const auto ids =
        run(QStringLiteral("xdotool"), QStringList{"search", "--onlyvisible"} + criteria);
    if (!ids)
        return windows;
    for (const QString &id : ids->split('\n', Qt::SkipEmptyParts))
        if (auto window = describe(id))
            windows.push_back(*window);
    return windows;
}

} // namespace

QRect frameOf(const X11Window &window)
{
    // xwininfo, for xdotool counts a decorated window's offset in its frame twice.
    const QString info = run(QStringLiteral("xwininfo"), {"-id", window.id}).value_or(QString());
    const auto number = [&](const QString &label) {
        const QRegularExpression pattern(QRegularExpression::escape(label) +
                                         QStringLiteral(":\\s+(-?\\d+)"));
        return pattern.match(info).captured(1).toInt();
    };
    const QRect client(number("Absolute upper-left X"), number("Absolute upper-left Y"),
                       number("Width"), number("Height"));
    const auto extents = run(QStringLiteral("xprop"), {"-id", window.id, "_NET_FRAME_EXTENTS"});
    static const QRegularExpression pattern(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const auto match = pattern.match(extents.value_or(QString()));
    if (!match.hasMatch())
        return client;
    return client.marginsAdded(QMargins(match.captured(1).toInt(), match.captured(3).toInt(),
                                        match.captured(2).toInt(), match.captured(4).toInt()));
}

std::vector<X11Window> visibleWindows(const QString &classname)
{
    return search({"--classname", classname});
}

std::optional<X11Window> visibleWindowNamed(const QString &name)
{
    for (const X11Window &window : search({"--name", QLatin1Char('^') + name + QLatin1Char('$')}))
        if (window.name == name)
            return window;
    return std::nullopt;
}

void saveScreenshot(const QRect &area, const QString &name)
{
    QDir().mkpath(QStringLiteral(LUMENO_E2E_ARTIFACTS));
    QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .save(QStringLiteral(LUMENO_E2E_ARTIFACTS) + QLatin1Char('/') + name);
}

bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout)
{
    const QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(50);
    }
    return true;
}

} // namespace lumeno::e2e
