#pragma once

#include "RecognitionClient.h"

namespace lumeno {

// Google recognition through the maker's OCR server, which takes no language on this road. It
// prints the text it recognised, and a non-200 reply before its alert.
class GoogleOCRRecognitionClient final : public RecognitionClient
{
public:
    GoogleOCRRecognitionClient(Endpoints endpoints, RequestProvider::Options options,
                               Encoder encoder = {});

    // Sends the image with an empty language to /api/ocr/GetOcrText; the reply is read by
    // handleGoogleOCRReply. Main thread only.
    static void recognizeWithGoogle(const QString &imageBase64, RequestProvider &provider,
                                    Completion done);
    // A refusal is "status" as the integer 429 or as the text "999".
    static RecognitionOutcome handleGoogleOCRReply(const RequestResult &result);

protected:
    void send(const QString &imageBase64, RequestProvider &provider, Completion done) override;
};

} // namespace lumeno
