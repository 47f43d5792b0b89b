#pragma once

#include <QStringList>
#include <QWidget>

class QPushButton;

namespace lumeno {

class LumenoObject;

// The "OCR Language" page. The Google engine sends no language, so its row is a fixed
// "Automatic" entry; the maker's-server engine sends the chosen code, picked in the menu of its
// row. A choice changes the shared state object at once; only "OK" on this page stores it.
class LanguageView : public QWidget
{
    Q_OBJECT

public:
    // languageCodeArray gives, by position, the OCR code of each name in languageArray.
    LanguageView(bool isSelected, LumenoObject &lumenoObject, const QStringList &languageArray,
                 const QStringList &languageCodeArray, QWidget *parent = nullptr);

    // Sets the OCR language's name and code; a position outside the tables changes nothing.
    void selectOCRLanguage(int position);

    bool isSelected() const { return m_isSelected; }
    QPushButton *automaticButton() const { return m_automatic; }
    QPushButton *languageMenuButton() const { return m_menuButton; }

private:
    bool m_isSelected;
    LumenoObject &m_lumenoObject;
    QStringList m_languageArray;
    QStringList m_languageCodeArray;
    QPushButton *m_automatic;
    QPushButton *m_menuButton;
};

} // namespace lumeno
