#include "LanguageView.h"

#include "LocalizedText.h"
#include "LumenoObject.h"
#include "NoBorderButtonStyle.h"
#include "PullDownMenu.h"
#include "SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumeno {

namespace {

constexpr int kLeadingPadding = 50;
constexpr int kModeOneTrailingPadding = 150;
constexpr int kModeTwoTrailingPadding = 50;

QHBoxLayout *paddedRow(int leading, int trailing)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(leading, 0, trailing, 0);
    return row;
}

} // namespace

LanguageView::LanguageView(bool isSelected, LumenoObject &lumenoObject,
                           const QStringList &languageArray, const QStringList &languageCodeArray,
                           QWidget *parent)
    : QWidget(parent), m_isSelected(isSelected), m_lumenoObject(lumenoObject),
      m_languageArray(languageArray), m_languageCodeArray(languageCodeArray),
      m_automatic(new QPushButton(makeLocalizedText("Automatic"), this)),
      m_menuButton(makePullDownMenu(languageArray, this,
                                    [this](int position) { selectOCRLanguage(position); }))
{
    NoBorderButtonStyle::apply(m_automatic);
    const int side = m_automatic->fontMetrics().height();
    m_automatic->setIconSize(QSize(side, side));
    m_automatic->setIcon(
        SymbolIcon::pixmap(QString(),
                           m_isSelected ? QStringLiteral(":/lumeno/symbols/record.circle.fill.svg")
                                        : QStringLiteral(":/lumeno/symbols/circle.svg"),
                           side, palette().color(QPalette::ButtonText), devicePixelRatioF()));
    followText(m_menuButton, lumenoObject, &LumenoObject::selectedLanName,
               &LumenoObject::selectedLanNameChanged);

    auto *modeOne = paddedRow(kLeadingPadding, kModeOneTrailingPadding);
    modeOne->addWidget(new QLabel(makeLocalizedText("OCR Languages By Mode1:"), this));
    modeOne->addWidget(m_automatic);
    auto *modeTwo = paddedRow(kLeadingPadding, kModeTwoTrailingPadding);
    modeTwo->addWidget(new QLabel(makeLocalizedText("OCR Languages By Mode2:"), this));
    modeTwo->addWidget(m_menuButton);

    auto *page = new QVBoxLayout(this);
    page->addStretch();
    page->addLayout(modeOne);
    page->setAlignment(modeOne, Qt::AlignHCenter);
    page->addLayout(modeTwo);
    page->setAlignment(modeTwo, Qt::AlignHCenter);
    page->addStretch();
}

void LanguageView::selectOCRLanguage(int position)
{
    if (position < 0 || position >= m_languageArray.size() ||
        position >= m_languageCodeArray.size())
        return;
    m_lumenoObject.setSelectedLanName(m_languageArray.at(position));
    m_lumenoObject.setSelectedLanCode(m_languageCodeArray.at(position));
}

} // namespace lumeno
