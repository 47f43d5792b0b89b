#pragma once

#include "Desktop.h"
#include "QtScreens.h"

namespace lumeno {

// A desktop that offers only what Qt gives on every platform: no window list (so a capture
// picks whole screens) and no virtual-desktop switches.
class NullDesktop : public Desktop
{
    Q_OBJECT

public:
    explicit NullDesktop(QObject *parent = nullptr);

    QList<DesktopScreen> screens() const override;
    QPointF mouseLocation() const override;
    QList<DesktopWindow> windowList() const override;
    std::optional<QImage> grabScreen(const DesktopScreen &screen) const override;

private:
    QtScreens m_screens;
};

} // namespace lumeno
