#include "AboutWindowController.h"

#include "AboutView.h"
#include "WindowPlacement.h"

#include <QVBoxLayout>

namespace lumeno {

AboutWindowController::AboutWindowController()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      m_view(new AboutView)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("About"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFixedSize(m_view->size());
    centreOnScreenUnderMouse(this);
}

} // namespace lumeno
