#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

namespace lumeno::bench {

// The capture as it was before the work this bench measures, kept here as its baseline: Qt's
// screen grab, a veiled copy of it kept beside it, a full-screen panel painted whole with the
// veiled copy and then again with the plain grab over the whole-screen selection, and at the
// release a cropped copy through Qt's JPEG writer at quality 100 and its reader, on the main
// thread, before the panels go.
class BaselineRoad
{
public:
    BaselineRoad();
    ~BaselineRoad();

    // Grabs every screen and shows its panel; returns once every panel has painted.
    void start();
    // The whole first screen to the clipboard, the panels gone; the image, as the capture would
    // post it.
    std::optional<QImage> confirmWholeScreen();
    void end();

private:
    struct Screen;
    std::vector<std::unique_ptr<Screen>> m_screens;
};

} // namespace lumeno::bench
