#include "ImageSaver.h"

#include "LumenoObject.h"
#include "Result.h"
#include "StandardOutput.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QUrl>

namespace lumeno {

namespace {

Result encodePng(const QImage &image, QByteArray &bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        return Result::failure(writer.errorString());
    return Result::success();
}

Result writeAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Result::failure(file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        return Result::failure(file.errorString());
    return Result::success();
}

// One page the size of the image (in points at 72 per inch), the image filling it.
std::optional<QByteArray> makePdf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    const QSizeF points = image.deviceIndependentSize();
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!writer.setPageSize(QPageSize(points, QPageSize::Point)))
        return std::nullopt;
    QPainter painter;
    if (!painter.begin(&writer))
        return std::nullopt;
    painter.drawImage(QRectF(QPointF(0, 0), points), image);
    if (!painter.end())
        return std::nullopt;
    return bytes;
}

} // namespace

void ImageSaver::saveCapturedImage(const QImage &image, const LumenoObject &settings)
{
    if (image.isNull())
        return;
    const bool savePng = settings.whetherToSavePNG();
    const bool savePdf = settings.whetherToSavePDF();
    const QString pngPath = settings.savePNGUrl();
    const QString pdfPath = settings.savePDFUrl();

    if (savePng && !pngPath.isEmpty()) {
        printLine(QUrl::fromLocalFile(pngPath).toString());
        QByteArray png;
        Result written = encodePng(image, png);
        if (written)
            written = writeAtomically(pngPath, png);
        if (!written)
            printLine(QStringLiteral("Failed to save image: ") + written.why);
    }
    if (savePdf && !pdfPath.isEmpty()) {
        printLine(pdfPath);
        const std::optional<QByteArray> pdf = makePdf(image);
        if (!pdf) {
            printLine(QStringLiteral("保存失败"));
            return;
        }
        if (const Result written = writeAtomically(pdfPath, *pdf); !written)
            printLine(QStringLiteral("Failed to save PDF: ") + written.why);
    }
}

} // namespace lumeno
