#include "ScreenContent.h"

#include "../encode/ScreenshotImage.h"
#include "x11/XcbReply.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <xcb/xcb.h>

namespace lumeno::bench {

namespace {

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

} // namespace

ScreenContent::ScreenContent()
{
    xcb_connection_t *c = connection();
    const xcb_screen_t *root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    // The screens' native rectangles; Qt keeps their origins in X's pixels.
    QImage desktop(root->width_in_pixels, root->height_in_pixels, QImage::Format_RGB32);
    desktop.fill(Qt::black);
    {
        QPainter painter(&desktop);
        for (const QScreen *screen : QGuiApplication::screens()) {
            const QSize pixels =
                (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
            painter.drawImage(screen->geometry().topLeft(),
                              screenshotLikeImage(pixels.width(), pixels.height()));
        }
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, root->root_depth, pixmap, root->root, root->width_in_pixels,
                      root->height_in_pixels);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // In bands that each fit one request.
    const int rows = int(xcb_get_maximum_request_length(c) * 4 / 2 / desktop.bytesPerLine());
    for (int top = 0; top < desktop.height(); top += rows) {
        const int height = std::min(rows, desktop.height() - top);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(desktop.width()),
                      uint16_t(height), 0, int16_t(top), 0, root->root_depth,
                      uint32_t(height * desktop.bytesPerLine()), desktop.constScanLine(top));
    }
    xcb_change_window_attributes(c, root->root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, root->root, 0, 0, 0, 0);
    xcb_free_gc(c, gc);
    xcb_free_pixmap(c, pixmap);
    syncWithServer();
}

void syncWithServer()
{
    xcb_connection_t *c = connection();
    holdReply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

} // namespace lumeno::bench
