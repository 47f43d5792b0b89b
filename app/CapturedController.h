#pragma once

#include <QObject>

namespace lumeno {

// The window controller the shell makes at start without a window. Nothing uses it; it lives as
// long as the shell.
class CapturedController : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
};

} // namespace lumeno
