#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace lumeno {

// The program's alert: no title, the message exactly as given (never read as markup) and one
// "OK". It is window-modal over the parent's window and deletes itself once dismissed; the
// caller opens it (QMessageBox::open) when it has placed it.
QMessageBox *makeAlert(const QString &message, QWidget *parent);

} // namespace lumeno
