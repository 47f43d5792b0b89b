#pragma once

#include "ImageDecoder.h"
#include "ImagePreparer.h"
#include "LanguageCatalog.h"
#include "PageLayout.h"

namespace lumeno {

// A request whose JSON, Base64, language and image header are good; nothing decoded yet.
struct ParsedRequest
{
    QByteArray image; // PNG or JPEG bytes
    ImageHeader header;
    QString models; // Tesseract model list, all installed
};

struct RecognitionInput
{
    PreparedPage page;
    PageLayout layout; // where the page's text lies, in reading order
    QString models;    // Tesseract model list, all installed
};

// Everything between a request body and the engine: JSON, Base64, language, image header,
// decoding, preparation and layout. Safe on hostile bytes and callable from any thread. It comes
// in two steps, so that what the image will cost is known from its header before it is decoded.
class RequestReader
{
public:
    explicit RequestReader(LanguageCatalog catalog, ImageLimits limits = {})
        : m_catalog(std::move(catalog)), m_decoder(limits)
    {
    }

    // With languageRequired false a missing, null or empty "languageIndex" means no chosen
    // language.
    OrRefusal<ParsedRequest> parse(const QByteArray &body, bool languageRequired) const;
    // Decodes, prepares and lays out the page; the image bytes go as soon as they are decoded.
    OrRefusal<RecognitionInput> prepare(ParsedRequest request) const;
    // Both steps at once.
    OrRefusal<RecognitionInput> read(const QByteArray &body, bool languageRequired) const;

    const LanguageCatalog &catalog() const { return m_catalog; }
    const ImagePreparer &preparer() const { return m_preparer; }

private:
    LanguageCatalog m_catalog;
    ImageDecoder m_decoder;
    ImagePreparer m_preparer;
};

} // namespace lumeno
