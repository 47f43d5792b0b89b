#include "RequestReader.h"

#include "OcrRequest.h"

namespace lumeno {

OrRefusal<RecognitionInput> RequestReader::read(const QByteArray &body, bool languageRequired) const
{
    auto request = OcrRequest::parse(body, languageRequired);
    if (auto *refusal = std::get_if<Refusal>(&request))
        return *refusal;
    const OcrRequest &ocr = std::get<OcrRequest>(request);
    auto models = m_catalog.modelsFor(ocr.languageIndex);
    if (auto *refusal = std::get_if<Refusal>(&models))
        return *refusal;
    auto decoded = m_decoder.decode(ocr.image);
    if (auto *refusal = std::get_if<Refusal>(&decoded))
        return *refusal;
    PixPtr prepared = m_preparer.prepare(std::get<PixPtr>(decoded).get());
    if (!prepared)
        return Refusal{QStringLiteral("The OCR server is short of memory for this image. Try "
                                      "again with a smaller area.")};
    return RecognitionInput{std::move(prepared), std::get<QString>(std::move(models))};
}

} // namespace lumeno
