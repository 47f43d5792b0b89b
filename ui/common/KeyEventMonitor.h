#pragma once

#include <QObject>
#include <functional>

class QKeyEvent;
class QWindow;

namespace lumeno {

// While installed, hands every key press and release the application receives to the handler,
// once per key event, with the window it came to, and never consumes one: the key still reaches
// its widget. It watches the application, so it sees keys whatever widget has the focus.
class KeyEventMonitor : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QKeyEvent &, const QWindow &)>;

    explicit KeyEventMonitor(Handler handler, QObject *parent = nullptr);
    ~KeyEventMonitor() override;

    // Both may be called from inside the handler; installing twice or removing what is not
    // installed does nothing.
    void install();
    void remove();
    bool isInstalled() const { return m_installed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
    bool m_installed = false;
};

} // namespace lumeno
