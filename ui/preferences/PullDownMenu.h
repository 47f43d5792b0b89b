#pragma once

#include <QStringList>
#include <functional>

class QPushButton;
class QWidget;

namespace lumeno {

class LumenoObject;

// A pull-down button of the language pages: one row per title, shown verbatim (trailing blanks
// and all), each calling choose with its position.
QPushButton *makePullDownMenu(const QStringList &titles, QWidget *parent,
                              std::function<void(int)> choose);

// Keeps the button's label on a text field of the state object.
void followText(QPushButton *button, LumenoObject &lumenoObject,
                QString (LumenoObject::*read)() const, void (LumenoObject::*changed)());

} // namespace lumeno
