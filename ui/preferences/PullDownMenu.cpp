#include "PullDownMenu.h"

#include "LumenoObject.h"

#include <QMenu>
#include <QPushButton>

namespace lumeno {

QPushButton *makePullDownMenu(const QStringList &titles, QWidget *parent,
                              std::function<void(int)> choose)
{
    auto *button = new QPushButton(parent);
    auto *menu = new QMenu(button);
    for (int i = 0; i < titles.size(); ++i)
        menu->addAction(titles.at(i), button, [choose, i] { choose(i); });
    button->setMenu(menu);
    return button;
}

void followText(QPushButton *button, LumenoObject &lumenoObject,
                QString (LumenoObject::*read)() const, void (LumenoObject::*changed)())
{
    const auto update = [button, &lumenoObject, read] { button->setText((lumenoObject.*read)()); };
    update();
    QObject::connect(&lumenoObject, changed, button, update);
}

} // namespace lumeno
