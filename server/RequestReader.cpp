#include "RequestReader.h"

#include "OcrRequest.h"

namespace lumeno {

OrRefusal<RecognitionInput> RequestReader::read(const QByteArray &body, bool languageRequired) const
{
    auto request = OcrRequest::parse(body, languageRequired);
    if (auto *refusal = std::get_if<Refusal>(&request))
        return *refusal;
    OcrRequest &ocr = std::get<OcrRequest>(request);
    auto models = m_catalog.modelsFor(ocr.languageIndex);
    if (auto *refusal = std::get_if<Refusal>(&models))
        return *refusal;
    auto decoded = m_decoder.decode(ocr.image);
    if (auto *refusal = std::get_if<Refusal>(&decoded))
        return *refusal;
    PreparedPage page = m_preparer.prepare(std::get<PixPtr>(decoded).get());
    // The encoded and decoded capture are several times the size of the grey page.
    ocr.image = QByteArray();
    decoded = PixPtr();
    if (!page.grey)
        return Refusal{QStringLiteral("The OCR server is short of memory for this image. Try "
                                      "again with a smaller area.")};
    const LanguageCatalog::Writing writing = LanguageCatalog::writingOf(std::get<QString>(models));
    PageLayout layout = PageLayout::analyse(
        page.grey.get(), {page.xHeight, writing.rightToLeft, writing.spacedWords});
    return RecognitionInput{std::move(page), std::move(layout),
                            std::get<QString>(std::move(models))};
}

} // namespace lumeno
