#pragma once

#include <QMargins>
#include <QRect>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace lumeno::e2e {

using namespace std::chrono_literals;

// What the end-to-end tests ask of the X session, through the command-line tools the scripts
// install (xdotool, xclip). Every wait polls while Qt's event loop runs.

// Runs a tool to its end; its standard output, or nothing when it failed.
std::optional<QString> run(const QString &program, const QStringList &arguments);
void xdotool(const QStringList &arguments);
void click(const QPoint &at, int button = 1);
void key(const QString &keys);
QString clipboardText();

struct X11Window
{
    QString id;
    QString name;
    QRect geometry;
};

// Where the window's frame lies on the root window: the window with the decorations the window
// manager gives it (_NET_FRAME_EXTENTS).
QRect frameOf(const X11Window &window);

// The mapped windows whose class or name matches, with their root geometry.
std::vector<X11Window> visibleWindows(const QString &classname);
std::optional<X11Window> visibleWindowNamed(const QString &name);

// Keeps the picture of this part of the screen (root coordinates) under the build folder's
// e2e-artifacts.
void saveScreenshot(const QRect &area, const QString &name);

// Polls until the condition holds; false when the timeout ran out first.
bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout = 20s);

} // namespace lumeno::e2e
