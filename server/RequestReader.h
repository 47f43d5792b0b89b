#pragma once

#include "ImageDecoder.h"
#include "ImagePreparer.h"
#include "LanguageCatalog.h"
#include "PageLayout.h"

namespace lumeno {

struct RecognitionInput
{
    PreparedPage page;
    PageLayout layout; // where the page's text lies, in reading order
    QString models;    // Tesseract model list, all installed
};

// Everything between a request body and the engine: JSON, Base64, language, image header,
// decoding, preparation and layout. Safe on hostile bytes and callable from any thread.
class RequestReader
{
public:
    explicit RequestReader(LanguageCatalog catalog, ImageLimits limits = {})
        : m_catalog(std::move(catalog)), m_decoder(limits)
    {
    }

    // With languageRequired false a missing or empty "languageIndex" means no chosen language.
    OrRefusal<RecognitionInput> read(const QByteArray &body, bool languageRequired) const;

    const LanguageCatalog &catalog() const { return m_catalog; }
    const ImagePreparer &preparer() const { return m_preparer; }

private:
    LanguageCatalog m_catalog;
    ImageDecoder m_decoder;
    ImagePreparer m_preparer;
};

} // namespace lumeno
