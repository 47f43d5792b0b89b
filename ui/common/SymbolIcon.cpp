#include "SymbolIcon.h"

#include <QIcon>
#include <QPainter>

namespace lumeno::SymbolIcon {

QPixmap pixmap(const QString &themeName, const QString &fallbackResource, int side,
               const QColor &tint, qreal devicePixelRatio)
{
    const QIcon icon = themeName.isEmpty() ? QIcon(fallbackResource)
                                           : QIcon::fromTheme(themeName, QIcon(fallbackResource));
    QPixmap result = icon.pixmap(QSize(side, side), devicePixelRatio);
    if (result.isNull())
        return result;
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(), result.deviceIndependentSize()), tint);
    return result;
}

} // namespace lumeno::SymbolIcon
