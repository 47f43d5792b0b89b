#include "ImageTabView.h"

#include "SystemColors.h"

#include <QPainter>
#include <QPainterPath>

namespace lumeno {

namespace {
constexpr qreal kCornerRadius = 20;
} // namespace

ImageTabView::ImageTabView(const QImage &image, QWidget *parent) : QWidget(parent), m_image(image)
{
    if (m_image.isNull()) {
        setFixedHeight(0);
        return;
    }
    setFixedHeight(kBandHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize ImageTabView::sizeHint() const
{
    return m_image.isNull() ? QSize(0, 0) : QSize(0, kBandHeight);
}

QRectF ImageTabView::fittedRect(const QSizeF &imageSize, const QRectF &band)
{
    if (imageSize.isEmpty() || band.isEmpty())
        return {};
    const QSizeF fitted = imageSize.scaled(band.size(), Qt::KeepAspectRatio);
    QRectF rect(QPointF(), fitted);
    rect.moveCenter(band.center());
    return rect;
}

void ImageTabView::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath band;
    band.addRoundedRect(rect(), kCornerRadius, kCornerRadius);
    painter.setClipPath(band);
    painter.fillPath(band, SystemColors::secondary(palette(), 0.2));
    painter.drawImage(fittedRect(m_image.deviceIndependentSize(), rect()), m_image);
}

} // namespace lumeno
