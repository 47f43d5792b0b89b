#pragma once

#include <QImage>

namespace lumeno {

class LumenoObject;

// Writes a captured image to the files the user switched on: PNG bytes at the PNG path and a
// one-page PDF at the PDF path, each replaced atomically. A failed PNG encode or write, and a
// failed PDF write, prints one line with its reason. A PDF that cannot be drawn prints only
// "保存失败": the PDF writer gives no reason. A failed PNG does not keep the PDF from being
// written.
class ImageSaver
{
public:
    static void saveCapturedImage(const QImage &image, const LumenoObject &settings);
};

} // namespace lumeno
