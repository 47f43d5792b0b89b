#pragma once

#include "Refusal.h"

#include <QString>
#include <atomic>
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
    // When recognition gives up: at the deadline, or as soon as `cancelled` turns true.
    struct Stop
    {
        std::chrono::steady_clock::time_point deadline;
        const std::atomic<bool> *cancelled = nullptr;
    };
    // Recognition gave up before the end, as the Stop asked.
    struct Stopped
    {
    };
    using Outcome = std::variant<QString, Stopped, Refusal>;

    // Loads the models; a Refusal says why they could not be loaded.
    static std::variant<std::unique_ptr<TesseractEngine>, Refusal> create(const QString &tessdata,
                                                                          const QString &models);

    // Reads the image as one block of lines. It must be 8-bit grey or 32-bit colour, dark text
    // on a light background. The words found before a stop are dropped, not returned.
    Outcome recognise(Pix *image, const Stop &stop);

    // Keeps the line breaks; drops blanks at the end of each line and blank lines at both ends.
    static QString tidy(const char *utf8);

    TesseractEngine(const TesseractEngine &) = delete;
    TesseractEngine &operator=(const TesseractEngine &) = delete;

private:
    TesseractEngine() = default;

    tesseract::TessBaseAPI m_api;
};

} // namespace lumeno
