#include "TextImages.h"

#include <QBuffer>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <vector>

namespace lumeno::testkit {

namespace {

QString dejaVuFamily()
{
    static const QString family = [] {
        const int id =
            QFontDatabase::addApplicationFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.first();
    }();
    return family;
}

QByteArray encode(const QImage &image, const char *format, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

} // namespace

QFont textFont(const TextStyle &style)
{
    QFont font(style.family.isEmpty() ? dejaVuFamily() : style.family);
    font.setPixelSize(style.pixelSize);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

QImage renderText(const QStringList &lines, const TextStyle &style)
{
    const QFont font = textFont(style);
    const QFontMetrics metrics(font);
    const int lineStep = style.pixelSize * 3 / 2;
    const int margin = style.pixelSize;
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    QImage image(width + 2 * margin, lineStep * static_cast<int>(lines.size()) + 2 * margin,
                 QImage::Format_RGB32);
    image.fill(style.paper);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(style.ink);
    int baseline = margin + metrics.ascent();
    for (const QString &line : lines) {
        painter.drawText(margin, baseline, line);
        baseline += lineStep;
    }
    return image;
}

QStringList wrapText(const QString &text, int width, int pixelSize)
{
    const QFontMetrics metrics(textFont({pixelSize}));
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QImage renderColumns(const QList<QStringList> &columns, const TextStyle &style, int gap)
{
    QList<QImage> parts;
    int width = 0, height = 0;
    for (const QStringList &column : columns) {
        parts << renderText(column, style);
        width += parts.constLast().width();
        height = std::max(height, parts.constLast().height());
    }
    // renderText's own margins are part of the gap.
    const int between = std::max(0, gap - 2 * style.pixelSize);
    width += between * std::max<int>(0, static_cast<int>(parts.size()) - 1);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(style.paper);
    QPainter painter(&image);
    int x = 0;
    for (const QImage &part : parts) {
        painter.drawImage(x, 0, part);
        x += part.width() + between;
    }
    return image;
}

QByteArray pngBytes(const QImage &image)
{
    return encode(image, "PNG", -1);
}
QByteArray jpegBytes(const QImage &image)
{
    return encode(image, "JPEG", 95);
}

QString normalizeWhitespace(const QString &text)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return QString(text).replace(space, QStringLiteral(" ")).trimmed();
}

double characterErrorRate(const QString &reference, const QString &recognised)
{
    const QString a = normalizeWhitespace(reference);
    const QString b = normalizeWhitespace(recognised);
    if (a.isEmpty())
        return b.isEmpty() ? 0.0 : 1.0;
    std::vector<qsizetype> previous(static_cast<size_t>(b.size()) + 1);
    std::vector<qsizetype> current(previous.size());
    for (size_t j = 0; j < previous.size(); ++j)
        previous[j] = static_cast<qsizetype>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype substitute = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitute});
        }
        std::swap(previous, current);
    }
    return static_cast<double>(previous.back()) / static_cast<double>(a.size());
}

QStringList sampleParagraph()
{
    return {QStringLiteral("The quick brown fox jumps over the lazy dog near the river bank."),
            QStringLiteral("Please send the signed report to our office before Friday noon."),
            QStringLiteral("Open the settings window, choose a language and press OK to save."),
            QStringLiteral("Prices rose by 12 percent in 2023, while wages grew by only 4."),
            QStringLiteral("She wrote three letters, read two books and walked home at night.")};
}

} // namespace lumeno::testkit
