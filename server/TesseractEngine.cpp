#include "TesseractEngine.h"

#include <QStringList>
#include <leptonica/allheaders.h>
#include <tesseract/ocrclass.h>
#include <vector>

namespace lumeno {

std::variant<std::unique_ptr<TesseractEngine>, Refusal>
TesseractEngine::create(const QString &tessdata, const QString &models)
{
    std::unique_ptr<TesseractEngine> engine(new TesseractEngine);
    // The engine's own messages ("Estimating resolution", "Empty page") would otherwise fill
    // the server's log with one line per request.
    std::vector<std::string> names{"debug_file"};
    std::vector<std::string> values{"/dev/null"};
    const QByteArray path = tessdata.toLocal8Bit();
    const QByteArray languages = models.toLatin1();
    if (engine->m_api.Init(path.constData(), languages.constData(), tesseract::OEM_DEFAULT, nullptr,
                           0, &names, &values, false) != 0)
        return Refusal{QStringLiteral("The OCR server could not load its language data for %1. "
                                      "Ask its administrator to reinstall the language packs.")
                           .arg(models)};
    // A capture is one block of lines; the automatic layout analysis reorders or drops lines
    // of small screen text.
    engine->m_api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    return engine;
}

OrRefusal<QString> TesseractEngine::recognise(Pix *image, std::chrono::milliseconds deadline)
{
    m_api.SetImage(image);
    // Leptonica images from screen captures carry no resolution; say what a screen has so the
    // engine does not guess.
    m_api.SetSourceResolution(96);
    tesseract::ETEXT_DESC monitor;
    monitor.set_deadline_msecs(static_cast<int32_t>(deadline.count()));
    const int failed = m_api.Recognize(&monitor);
    if (failed != 0 || monitor.deadline_exceeded()) {
        m_api.Clear();
        return Refusal{failed != 0 ? QStringLiteral("The OCR engine could not read this image. "
                                                    "Capture the area again.")
                                   : QStringLiteral("Recognition took longer than %1 seconds and "
                                                    "was stopped. Capture a smaller area.")
                                         .arg(deadline.count() / 1000)};
    }
    const std::unique_ptr<char[]> text(m_api.GetUTF8Text());
    m_api.Clear();
    return tidy(text.get());
}

QString TesseractEngine::tidy(const char *utf8)
{
    QStringList lines = QString::fromUtf8(utf8 ? utf8 : "").split(QLatin1Char('\n'));
    for (QString &line : lines) {
        qsizetype end = line.size();
        while (end > 0 && line.at(end - 1).isSpace())
            --end;
        line.truncate(end);
    }
    while (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines.join(QLatin1Char('\n'));
}

} // namespace lumeno
