#include "FakeDesktop.h"

#include <cmath>

namespace lumeno {

QList<DesktopWindow> FakeDesktop::windowList() const
{
    ++m_windowListCount;
    return m_windows;
}

QImage FakeDesktop::blankGrab(const DesktopScreen &screen)
{
    QImage image(int(std::lround(screen.frame.width() * screen.devicePixelRatio)),
                 int(std::lround(screen.frame.height() * screen.devicePixelRatio)),
                 QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setDevicePixelRatio(screen.devicePixelRatio);
    return image;
}

std::optional<QImage> FakeDesktop::grabScreen(const DesktopScreen &screen) const
{
    ++m_grabCount;
    if (onGrab)
        onGrab();
    for (qsizetype i = 0; i < m_screens.size(); ++i) {
        if (m_screens[i].frame == screen.frame) {
            if (auto it = m_grabs.find(int(i)); it != m_grabs.end())
                return *it;
            break;
        }
    }
    return blankGrab(screen);
}

} // namespace lumeno
