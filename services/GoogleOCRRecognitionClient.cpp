#include "GoogleOCRRecognitionClient.h"

#include "MakerServerReply.h"

namespace lumeno {

GoogleOCRRecognitionClient::GoogleOCRRecognitionClient(Endpoints endpoints,
                                                       RequestProvider::Options options,
                                                       Encoder encoder)
    : RecognitionClient(std::move(endpoints), options, std::move(encoder))
{
}

void GoogleOCRRecognitionClient::recognizeWithGoogle(const QString &imageBase64,
                                                     RequestProvider &provider, Completion done)
{
    const RequestConfig request =
        RequestConfig::googleOCR({{QStringLiteral("imageBase64"), imageBase64},
                                  {QStringLiteral("languageIndex"), QString()}});
    sendAndRead(provider, request, &handleGoogleOCRReply, TextLine::printed, std::move(done));
}

RecognitionOutcome GoogleOCRRecognitionClient::handleGoogleOCRReply(const RequestResult &result)
{
    return readMakerServerReply(result, {.textStatus999Refuses = true, .printsNon200Reply = true});
}

void GoogleOCRRecognitionClient::send(const QString &imageBase64, RequestProvider &provider,
                                      Completion done)
{
    recognizeWithGoogle(imageBase64, provider, std::move(done));
}

} // namespace lumeno
