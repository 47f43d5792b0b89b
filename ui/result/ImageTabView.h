#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

namespace lumeno {

// The capture, scaled to fit a full-width band 300 points high on a faint rounded background.
// Without an image it is empty and takes no room.
class ImageTabView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kBandHeight = 300;

    explicit ImageTabView(const QImage &image, QWidget *parent = nullptr);

    const QImage &image() const { return m_image; }

    // Where an image of this size (in points) lands in the band: aspect kept, the whole image
    // visible, centred, scaled up or down until one side meets the band's edge.
    static QRectF fittedRect(const QSizeF &imageSize, const QRectF &band);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};

} // namespace lumeno
