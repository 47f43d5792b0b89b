#pragma once

#include "Endpoints.h"
#include "RecognitionClient.h"
#include "RequestConfig.h"

#include <QPointer>

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

// Google Cloud Vision with the user's own API key, which the state holds. It prints no
// recognised text, only a non-200 reply before its alert.
class VisionRecognitionClient final : public RecognitionClient
{
public:
    // The state may be gone when the request goes out; the key is then empty.
    VisionRecognitionClient(const LumenoObject &state, Endpoints endpoints,
                            RequestProvider::Options options, Encoder encoder = {});

    // Sends the image to the provider's Cloud Vision address; the reply is read by
    // handleVisionReply. Without a key nothing is sent and done gets missingApiKey, queued like
    // every other answer. Main thread only.
    static void recognizeWithGoogle(const QString &imageBase64, const QString &apiKey,
                                    RequestProvider &provider, Completion done);
    // Joins the "description" of every element of responses[0].textAnnotations, in order and
    // with nothing between them. A first response without "textAnnotations", or with an empty
    // one, found no text. An "error" object at the top level or in that first response, and a
    // status-200 reply of any other shape, is the common failure.
    static RecognitionOutcome handleVisionReply(const RequestResult &result);

protected:
    void send(const QString &imageBase64, RequestProvider &provider, Completion done) override;

private:
    QPointer<const LumenoObject> m_state;
};

} // namespace lumeno
