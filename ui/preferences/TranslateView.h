#pragma once

#include <QStringList>
#include <QWidget>

class QPushButton;

namespace lumeno {

class LumenoObject;

// The "Translate" page: the language recognised text is translated into. A choice changes the
// shared state object at once (the translate button of an open result follows); only "OK" on
// this page stores it.
class TranslateView : public QWidget
{
    Q_OBJECT

public:
    // The two tables pair by position.
    TranslateView(LumenoObject &lumenoObject, const QStringList &languageArray,
                  const QStringList &translateCodeArray, QWidget *parent = nullptr);

    // Sets the target's name and code; a position outside the tables changes nothing.
    void selectTranslationTarget(int position);

    QPushButton *targetMenuButton() const { return m_menuButton; }

private:
    LumenoObject &m_lumenoObject;
    QStringList m_languageArray;
    QStringList m_translateCodeArray;
    QPushButton *m_menuButton;
};

} // namespace lumeno
