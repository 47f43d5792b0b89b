#pragma once

#include <QWidget>

namespace lumeno {

// A top-level window of one content's fixed size, with a title and a close button only: no
// resizing, minimising or maximising. It deletes itself once closed, so nobody needs to keep it.
class FixedWindow : public QWidget
{
    Q_OBJECT

public:
    // Takes the content over; its size, set beforehand, is the window's.
    FixedWindow(const QString &title, QWidget *content);
};

} // namespace lumeno
