#pragma once

namespace lumeno {

// What a capture panel hands its delegate. The controller reads the mouse position from the
// desktop, never from the event, so only the click count travels.
class MouseEventProtocol
{
public:
    virtual ~MouseEventProtocol() = default;
    virtual void onMouseDown(int clickCount) = 0;
    virtual void onMouseUp(int clickCount) = 0;
    virtual void onMouseDragged(int clickCount) = 0;
    virtual void onMouseMoved(int clickCount) = 0;
};

} // namespace lumeno
