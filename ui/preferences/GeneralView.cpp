#include "GeneralView.h"

#include "LocalizedText.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace lumeno {

namespace {
constexpr int kSpacing = 20;
} // namespace

GeneralView::GeneralView(QWidget *parent)
    : QWidget(parent), m_soundSwitch(new QCheckBox(makeLocalizedText("Enable Sound"), this))
{
    m_soundSwitch->setChecked(true);
    auto *content = new QVBoxLayout;
    content->setSpacing(kSpacing);
    content->setContentsMargins(0, 0, 0, kSpacing);
    content->addWidget(m_soundSwitch, 0, Qt::AlignLeading);
    auto *page = new QVBoxLayout(this);
    page->addStretch();
    page->addLayout(content);
    page->setAlignment(content, Qt::AlignHCenter);
    page->addStretch();
}

bool GeneralView::isOn() const
{
    return m_soundSwitch->isChecked();
}

} // namespace lumeno
