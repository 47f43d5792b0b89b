#include "TranslateView.h"

#include "LocalizedText.h"
#include "LumenoObject.h"
#include "PullDownMenu.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumeno {

namespace {
constexpr int kSidePadding = 50;
} // namespace

TranslateView::TranslateView(LumenoObject &lumenoObject, const QStringList &languageArray,
                             const QStringList &translateCodeArray, QWidget *parent)
    : QWidget(parent), m_lumenoObject(lumenoObject), m_languageArray(languageArray),
      m_translateCodeArray(translateCodeArray),
      m_menuButton(makePullDownMenu(languageArray, this,
                                    [this](int position) { selectTranslationTarget(position); }))
{
    followText(m_menuButton, lumenoObject, &LumenoObject::selectedTranslateName,
               &LumenoObject::selectedTranslateNameChanged);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(kSidePadding, 0, kSidePadding, 0);
    row->addWidget(new QLabel(makeLocalizedText("Target Languages:"), this));
    row->addWidget(m_menuButton);

    auto *page = new QVBoxLayout(this);
    page->addStretch();
    page->addLayout(row);
    page->setAlignment(row, Qt::AlignHCenter);
    page->addStretch();
}

void TranslateView::selectTranslationTarget(int position)
{
    if (position < 0 || position >= m_languageArray.size() ||
        position >= m_translateCodeArray.size())
        return;
    m_lumenoObject.setSelectedTranslateName(m_languageArray.at(position));
    m_lumenoObject.setTranslateTargetCode(m_translateCodeArray.at(position));
}

} // namespace lumeno
