#pragma once

#include <QWidget>

class QLineEdit;

namespace lumeno {

class LumenoObject;

// The "GoogleAPI" page: the user's Cloud Vision key, edited as a working copy that only "OK" on
// this page commits. The key is free text: what is typed is what is kept, blanks included.
class GoogleApiView : public QWidget
{
    Q_OBJECT

public:
    GoogleApiView(LumenoObject &lumenoObject, const QString &googleKey, QWidget *parent = nullptr);

    QString googleKey() const;
    QLineEdit *keyField() const { return m_keyField; }

private:
    LumenoObject &m_lumenoObject;
    QLineEdit *m_keyField;
};

} // namespace lumeno
