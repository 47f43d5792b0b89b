#include "Alert.h"

#include <QMessageBox>

namespace lumeno {

QMessageBox *makeAlert(const QString &message, QWidget *parent)
{
    auto *alert = new QMessageBox(parent);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowTitle(QString());
    alert->setTextFormat(Qt::PlainText);
    alert->setText(message);
    alert->setDefaultButton(alert->addButton(QObject::tr("OK"), QMessageBox::AcceptRole));
    return alert;
}

} // namespace lumeno
