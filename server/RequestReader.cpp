#include "RequestReader.h"

#include "OcrRequest.h"

namespace lumeno {

OrRefusal<ParsedRequest> RequestReader::parse(const QByteArray &body, bool languageRequired) const
{
    auto request = OcrRequest::parse(body, languageRequired);
    if (auto *refusal = std::get_if<Refusal>(&request))
        return *refusal;
    OcrRequest &ocr = std::get<OcrRequest>(request);
    auto models = m_catalog.modelsFor(ocr.languageIndex);
    if (auto *refusal = std::get_if<Refusal>(&models))
        return *refusal;
    auto header = m_decoder.header(ocr.image);
    if (auto *refusal = std::get_if<Refusal>(&header))
        return *refusal;
    return ParsedRequest{std::move(ocr.image), std::get<ImageHeader>(header),
                         std::get<QString>(std::move(models))};
}

OrRefusal<RecognitionInput> RequestReader::prepare(ParsedRequest request) const
{
    auto decoded = m_decoder.decode(request.image);
    // The encoded capture is not needed any more.
    request.image = QByteArray();
    if (auto *refusal = std::get_if<Refusal>(&decoded))
        return *refusal;
    PreparedPage page = m_preparer.prepare(std::get<PixPtr>(decoded).get());
    // The decoded capture is several times the size of the grey page.
    decoded = PixPtr();
    if (!page.grey)
        return Refusal{QStringLiteral("The OCR server is short of memory for this image. Try "
                                      "again with a smaller area.")};
    const LanguageCatalog::Writing writing = LanguageCatalog::writingOf(request.models);
    PageLayout layout = PageLayout::analyse(
        page.grey.get(), {page.xHeight, writing.rightToLeft, writing.spacedWords});
    return RecognitionInput{std::move(page), std::move(layout), std::move(request.models)};
}

OrRefusal<RecognitionInput> RequestReader::read(const QByteArray &body, bool languageRequired) const
{
    auto parsed = parse(body, languageRequired);
    if (auto *refusal = std::get_if<Refusal>(&parsed))
        return *refusal;
    return prepare(std::get<ParsedRequest>(std::move(parsed)));
}

} // namespace lumeno
