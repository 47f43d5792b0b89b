#include "ScreenshotImage.h"

#include <QLinearGradient>
#include <QPainter>

namespace lumeno::bench {

QImage screenshotLikeImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0xf6, 0xf5, 0xf4));
    QPainter painter(&image);
    const int bar = height / 30;
    painter.fillRect(0, 0, width, bar, QColor(0x30, 0x30, 0x38));
    painter.fillRect(0, bar, width / 5, height - bar, QColor(0xe8, 0xe8, 0xec));

    QLinearGradient gradient(0, 0, width / 4.0, height / 4.0);
    gradient.setColorAt(0, QColor(0x20, 0x60, 0xa0));
    gradient.setColorAt(1, QColor(0xe0, 0x90, 0x30));
    painter.fillRect(width * 3 / 4, bar * 2, width / 5, height / 4, gradient);

    // A photo-like panel: smooth shading with fine grain, which flat-colour tricks do not help.
    const QRect photo(width * 3 / 4, height / 2, width / 5, height / 3);
    for (int y = photo.top(); y <= photo.bottom(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = photo.left(); x <= photo.right(); ++x) {
            const int grain = static_cast<int>((x * 7919u + y * 104729u) % 23u);
            row[x] = qRgb((x / 4 + grain) & 0xff, (y / 3 + grain) & 0xff, ((x + y) / 8) & 0xff);
        }
    }

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(qMax(10, height / 70));
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x20, 0x20));
    const QString line = QStringLiteral(
        "The quick brown fox jumps over the lazy dog 0123456789 — recognised text, lines and menus");
    const int step = font.pixelSize() * 3 / 2;
    for (int y = bar * 2 + step; y < height - step; y += step)
        painter.drawText(width / 5 + 20, y, line.left(20 + (y / step) % 60));
    for (int y = bar * 2 + step; y < height - step; y += step * 2)
        painter.drawText(10, y, QStringLiteral("Sidebar item %1").arg(y / step));
    return image;
}

} // namespace lumeno::bench
