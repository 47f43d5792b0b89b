#pragma once

#include "Refusal.h"

#include <QString>
#include <chrono>
#include <memory>
#include <tesseract/baseapi.h>

struct Pix;

namespace lumeno {

// One Tesseract instance for one model list ("chi_sim+eng"). Not thread-safe: each recognition
// worker owns its own engines.
class TesseractEngine
{
public:
    // Loads the models; a Refusal says why they could not be loaded.
    static std::variant<std::unique_ptr<TesseractEngine>, Refusal> create(const QString &tessdata,
                                                                          const QString &models);

    // The image must be 8-bit grey or 32-bit colour. Recognition stops when the deadline passes,
    // and then the result is a refusal rather than the words found so far.
    OrRefusal<QString> recognise(Pix *image, std::chrono::milliseconds deadline);

    // Keeps the line breaks; drops blanks at the end of each line and blank lines at the end.
    static QString tidy(const char *utf8);

    TesseractEngine(const TesseractEngine &) = delete;
    TesseractEngine &operator=(const TesseractEngine &) = delete;

private:
    TesseractEngine() = default;

    tesseract::TessBaseAPI m_api;
};

} // namespace lumeno
