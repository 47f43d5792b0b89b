#include "RecognitionClient.h"

#include "BaiduRecognitionClient.h"
#include "GoogleOCRRecognitionClient.h"
#include "ImageEncoding.h"
#include "LumenoObject.h"
#include "StandardOutput.h"
#include "VisionRecognitionClient.h"

#include <QCoreApplication>
#include <QtConcurrent/QtConcurrentRun>

namespace lumeno {

RecognitionClient::RecognitionClient(Endpoints endpoints, RequestProvider::Options options,
                                     Encoder encoder)
    : m_endpoints(std::move(endpoints)), m_options(options),
      m_encoder(encoder ? std::move(encoder) : Encoder(&encodePngBase64))
{
}

RecognitionClient::~RecognitionClient() = default;

void RecognitionClient::recognize(const QImage &image, Completion done)
{
    // The client and the provider live as long as the run needs them, whoever else lets go.
    auto self = shared_from_this();
    auto provider = RequestProvider::create(m_endpoints, m_options);
    convertImageInBackground(image,
                             [self, provider, done](const std::optional<QByteArray> &encoded) {
                                 if (!encoded) {
                                     done(RecognitionOutcome::unreachable());
                                     return;
                                 }
                                 self->send(QString::fromLatin1(*encoded), *provider, done);
                             });
}

void RecognitionClient::convertImageInBackground(const QImage &image, EncodedImage completion)
{
    // The application is the continuation's context: unlike a view, it outlives every run.
    QtConcurrent::run(m_encoder, image).then(QCoreApplication::instance(), std::move(completion));
}

void RecognitionClient::sendAndRead(RequestProvider &provider, const RequestConfig &request,
                                    ReplyReader readReply, TextLine textLine, Completion done)
{
    provider.request(request, [readReply, textLine, done](const RequestResult &result) {
        const RecognitionOutcome outcome = readReply(result);
        if (!outcome.replyToPrint.isEmpty())
            printLine(QString::fromUtf8(outcome.replyToPrint));
        if (textLine == TextLine::printed && outcome.kind == RecognitionOutcome::Kind::recognised)
            printLine(outcome.text);
        done(outcome);
    });
}

std::shared_ptr<RecognitionClient> makeRecognitionClient(const LumenoObject &state,
                                                         Endpoints endpoints,
                                                         RequestProvider::Options options,
                                                         RecognitionClient::Encoder encoder)
{
    if (state.ocrModeType() != OcrModeType::google)
        return std::make_shared<BaiduRecognitionClient>(state, std::move(endpoints), options,
                                                        std::move(encoder));
    if (endpoints.googleRoad == GoogleRoad::server)
        return std::make_shared<GoogleOCRRecognitionClient>(std::move(endpoints), options,
                                                            std::move(encoder));
    return std::make_shared<VisionRecognitionClient>(state, std::move(endpoints), options,
                                                     std::move(encoder));
}

} // namespace lumeno
