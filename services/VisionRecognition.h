#pragma once

#include "Endpoints.h"
#include "RecognitionOutcome.h"
#include "RequestConfig.h"
#include "RequestProvider.h"

namespace lumeno {

// The alert when Cloud Vision found no text in the image.
inline const QString kNoTextExtractedMessage = QStringLiteral("Sorry，no text extracted！");
// The alert when the user has not set a Google API key yet; nothing is sent then.
inline const QString kMissingGoogleApiKeyMessage =
    QStringLiteral("Mode 1 needs your own Google Cloud Vision API key. Please create one in the "
                   "Google Cloud console and add it in Preference > GoogleAPI.");

// A Cloud Vision text-detection request for the image, as indented JSON, to
// <vision base>/v1/images:annotate?key=<apiKey percent-encoded>. The key must not be empty.
RequestConfig visionRequest(const Endpoints &endpoints, const QString &imageBase64,
                            const QString &apiKey);

// Joins the "description" of every element of responses[0].textAnnotations, in order and with
// nothing between them. A first response without "textAnnotations", or with an empty one, found
// no text. An "error" object at the top level or in that first response, and a status-200 reply of
// any other shape, is the common failure.
RecognitionOutcome visionOutcome(const RequestResult &result);

} // namespace lumeno
