#pragma once

#include "KeyEventMonitor.h"

namespace lumeno {

// While installed, every Escape key-down the application's windows receive posts "OCRViewClosed",
// except in an open menu, which takes its own keys. It never consumes one: the Escape still
// reaches its widget. It may be installed and removed from an observer of "OCRViewClosed".
class EscapeMonitor : public KeyEventMonitor
{
    Q_OBJECT

public:
    explicit EscapeMonitor(QObject *parent = nullptr);
};

} // namespace lumeno
