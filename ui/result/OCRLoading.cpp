#include "OCRLoading.h"

#include "ActivityIndicator.h"
#include "SystemColors.h"

#include <QVBoxLayout>

namespace lumeno {

OCRLoading::OCRLoading(QWidget *parent) : QWidget(parent), m_indicator(new ActivityIndicator(this))
{
    setFixedSize(kSide, kSide);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_indicator);
    m_indicator->setFixedSize(kSide, kSide);
    m_indicator->setColor(SystemColors::orange());
    m_indicator->setAnimating(true);
}

} // namespace lumeno
