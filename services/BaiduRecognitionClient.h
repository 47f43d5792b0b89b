#pragma once

#include "RecognitionClient.h"

#include <QPointer>

namespace lumeno {

// The maker's OCR server with the OCR language the state names. It prints the text it
// recognised.
class BaiduRecognitionClient final : public RecognitionClient
{
public:
    // The state may be gone when the request goes out; the language is then empty.
    BaiduRecognitionClient(const LumenoObject &state, Endpoints endpoints,
                           RequestProvider::Options options, Encoder encoder = {});

    // Sends the image and its language to /api/ocr/GetBaiduOcrTextNew; the reply is read by
    // handleBaiduReply. Main thread only.
    static void recognizeWithBaidu(const QString &imageBase64, const QString &languageCode,
                                   RequestProvider &provider, Completion done);
    // A refusal is "status" as the integer 429. A non-200 reply is not printed.
    static RecognitionOutcome handleBaiduReply(const RequestResult &result);

protected:
    void send(const QString &imageBase64, RequestProvider &provider, Completion done) override;

private:
    QPointer<const LumenoObject> m_state;
};

} // namespace lumeno
