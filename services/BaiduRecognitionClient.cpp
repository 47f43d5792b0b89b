#include "BaiduRecognitionClient.h"

#include "LumenoObject.h"
#include "MakerServerReply.h"

namespace lumeno {

BaiduRecognitionClient::BaiduRecognitionClient(const LumenoObject &state, Endpoints endpoints,
                                               RequestProvider::Options options, Encoder encoder)
    : RecognitionClient(std::move(endpoints), options, std::move(encoder)), m_state(&state)
{
}

void BaiduRecognitionClient::recognizeWithBaidu(const QString &imageBase64,
                                                const QString &languageCode,
                                                RequestProvider &provider, Completion done)
{
    sendAndRead(provider, RequestConfig::baidu(imageBase64, languageCode), &handleBaiduReply,
                TextLine::printed, std::move(done));
}

RecognitionOutcome BaiduRecognitionClient::handleBaiduReply(const RequestResult &result)
{
    return readMakerServerReply(result, {});
}

void BaiduRecognitionClient::send(const QString &imageBase64, RequestProvider &provider,
                                  Completion done)
{
    // Read as the request goes out, so a language chosen during the encoding is the one sent.
    const QString language = m_state ? m_state->selectedLanCode() : QString();
    recognizeWithBaidu(imageBase64, language, provider, std::move(done));
}

} // namespace lumeno
