#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

namespace lumeno::SymbolIcon {

// A square icon of the theme's icon by that name, or of the bundled SVG when the theme has none
// (or no name is given), as a silhouette filled with the tint. side is in points; the pixmap
// carries the ratio.
QPixmap pixmap(const QString &themeName, const QString &fallbackResource, int side,
               const QColor &tint, qreal devicePixelRatio);

} // namespace lumeno::SymbolIcon
