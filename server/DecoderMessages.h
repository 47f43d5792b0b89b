#pragma once

#include <QtGlobal>

namespace lumeno {

// libpng and libjpeg print what they find wrong with an image on standard error, a line or more
// for every damaged image, so a client could grow the server's log at its request rate. In the
// server program their messages go nowhere (see DecoderMessages.cpp) and damaged images are
// counted instead, for one summary line now and then.
class DecoderMessages
{
public:
    // Thread-safe.
    static void countDamagedImage();
    // The images counted since the last call.
    static quint64 takeDamagedImageCount();
};

} // namespace lumeno
