#include "NullDesktop.h"

namespace lumeno {

NullDesktop::NullDesktop(QObject *parent) : Desktop(parent)
{
    connect(&m_screens, &QtScreens::screensChanged, this,
            [this] { emit screenParametersChanged({}); });
}

QList<DesktopScreen> NullDesktop::screens() const
{
    return QtScreens::screens();
}

QPointF NullDesktop::mouseLocation() const
{
    return QtScreens::mouseLocation();
}

QList<DesktopWindow> NullDesktop::windowList() const
{
    return {};
}

std::optional<QImage> NullDesktop::grabScreen(const DesktopScreen &screen) const
{
    return QtScreens::grabScreen(screen);
}

} // namespace lumeno
