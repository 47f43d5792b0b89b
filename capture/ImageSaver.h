#pragma once

#include <QImage>

namespace lumeno {

class LumenoObject;

// Writes a captured image to the files the user switched on: PNG bytes at the PNG path and a
// one-page PDF at the PDF path, each replaced atomically. A failure prints one line with its
// reason, and a failed PNG does not keep the PDF from being written.
class ImageSaver
{
public:
    static void saveCapturedImage(const QImage &image, const LumenoObject &settings);
};

} // namespace lumeno
