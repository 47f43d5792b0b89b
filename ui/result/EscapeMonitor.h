#pragma once

#include <QObject>

namespace lumeno {

// While installed, every Escape key-down the application's windows receive posts "OCRViewClosed",
// except in an open menu, which takes its own keys. It watches events at the application and
// never consumes one: the Escape still reaches its widget.
class EscapeMonitor : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~EscapeMonitor() override;

    // Both may be called from an observer of "OCRViewClosed", i.e. from inside the filter.
    void install();
    void remove();
    bool isInstalled() const { return m_installed; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_installed = false;
};

} // namespace lumeno
