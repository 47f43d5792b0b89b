#include "FixedWindow.h"

#include <QVBoxLayout>

namespace lumeno {

FixedWindow::FixedWindow(const QString &title, QWidget *content)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    setFixedSize(content->size());
}

} // namespace lumeno
