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
    // Its second pass over inverted copies of lines it reads poorly is dropped: the preparer
    // turns light-on-dark text round for each piece, so on screen text that pass only ever
    // runs, doubling the work, on pieces that are no text at all (pictures, icons).
    std::vector<std::string> names{"debug_file", "invert_threshold"};
    std::vector<std::string> values{"/dev/null", "0"};
    const QByteArray path = tessdata.toLocal8Bit();
    const QByteArray languages = models.toLatin1();
    if (engine->m_api.Init(path.constData(), languages.constData(), tesseract::OEM_DEFAULT, nullptr,
                           0, &names, &values, false) != 0)
        return Refusal{QStringLiteral("The OCR server could not load its language data for %1. "
                                      "Ask its administrator to reinstall the language packs.")
                           .arg(models)};
    // The layout is found before the engine sees the text, a few lines at a time; its own
    // automatic layout analysis would also drop or reorder lines of small screen text.
    engine->m_api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    return engine;
}

TesseractEngine::Outcome TesseractEngine::recognise(Pix *image, const Stop &stop)
{
    m_api.SetImage(image);
    // Leptonica images from screen captures carry no resolution; say what a screen has so the
    // engine does not guess.
    m_api.SetSourceResolution(96);
    tesseract::ETEXT_DESC monitor;
    monitor.end_time = stop.deadline;
    if (stop.cancelled) {
        monitor.cancel = [](void *cancelled, int) {
            return static_cast<const std::atomic<bool> *>(cancelled)->load();
        };
        monitor.cancel_this = const_cast<std::atomic<bool> *>(stop.cancelled);
    }
    // The engine reports a stop as a failure, so the stop is looked at first.
    const int failed = m_api.Recognize(&monitor);
    if (failed != 0 || monitor.deadline_exceeded()) {
        m_api.Clear();
        if (monitor.deadline_exceeded() || (stop.cancelled && stop.cancelled->load()))
            return Stopped{};
        return Refusal{QStringLiteral("The OCR engine could not read this image. Capture the "
                                      "area again.")};
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
    while (!lines.isEmpty() && lines.constFirst().isEmpty())
        lines.removeFirst();
    return lines.join(QLatin1Char('\n'));
}

} // namespace lumeno
