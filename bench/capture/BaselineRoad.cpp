#include "BaselineRoad.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QScreen>

namespace lumeno::bench {

namespace {

// The panel of one screen, with the flags of the capture's own.
class BaselinePanel : public QWidget
{
public:
    BaselinePanel(QScreen *screen, QImage plain, QImage veiled)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::NoDropShadowWindowHint | Qt::X11BypassWindowManagerHint),
          m_plain(std::move(plain)), m_veiled(std::move(veiled))
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    bool painted = false;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawImage(QRectF(rect()), m_veiled);
        painter.drawImage(QRectF(rect()), m_plain);
        painter.setPen(QPen(QColor(17, 145, 254), 2));
        painter.drawRect(rect());
        painted = true;
    }

private:
    QImage m_plain;
    QImage m_veiled;
};

} // namespace

struct BaselineRoad::Screen
{
    QImage grab;
    std::unique_ptr<BaselinePanel> panel;
};

BaselineRoad::BaselineRoad() = default;
BaselineRoad::~BaselineRoad() = default;

void BaselineRoad::start()
{
    std::vector<QImage> grabs;
    for (QScreen *screen : QGuiApplication::screens()) {
        QImage grab = screen->grabWindow(0).toImage();
        grab.setDevicePixelRatio(grab.width() / double(screen->geometry().width()));
        grabs.push_back(grab);
    }
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        QImage veiled = grabs[size_t(i)];
        {
            QPainter painter(&veiled);
            painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            painter.fillRect(QRectF(QPointF(0, 0), veiled.deviceIndependentSize()),
                             QColor::fromRgbF(1, 1, 1, 0.33f));
        }
        auto screen = std::make_unique<Screen>();
        screen->grab = grabs[size_t(i)];
        screen->panel = std::make_unique<BaselinePanel>(screens[i], screen->grab, veiled);
        screen->panel->show();
        screen->panel->raise();
        screen->panel->activateWindow();
        screen->panel->grabKeyboard();
        m_screens.push_back(std::move(screen));
    }
    for (const auto &screen : m_screens) {
        while (!screen->panel->painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

std::optional<QImage> BaselineRoad::confirmWholeScreen()
{
    const QImage crop = m_screens.front()->grab.copy(m_screens.front()->grab.rect());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    std::optional<QImage> image;
    if (writer.write(crop)) {
        QImage decoded = QImage::fromData(bytes, "jpeg");
        decoded.setDevicePixelRatio(crop.devicePixelRatio());
        QGuiApplication::clipboard()->setImage(decoded);
        image = decoded;
    }
    for (const auto &screen : m_screens) {
        screen->panel->releaseKeyboard();
        screen->panel->hide();
    }
    return image;
}

void BaselineRoad::end()
{
    m_screens.clear();
}

} // namespace lumeno::bench
