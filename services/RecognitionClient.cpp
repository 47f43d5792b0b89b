#include "RecognitionClient.h"

#include "ImageEncoding.h"
#include "LumenoObject.h"
#include "MakerServerRecognition.h"
#include "StandardOutput.h"
#include "VisionRecognition.h"

#include <QCoreApplication>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace lumeno {

namespace {

// The reply printed before its alert, where the road prints one.
void printReply(const RecognitionOutcome &outcome)
{
    if (!outcome.replyToPrint.isEmpty())
        printLine(QString::fromUtf8(outcome.replyToPrint));
}

// The maker's server, on either of its two routes. It prints the text it recognised.
class MakerServerClient final : public RecognitionClient
{
public:
    MakerServerClient(MakerServerRoute route, const LumenoObject &state, Endpoints endpoints,
                      RequestProvider::Options options, Encoder encoder)
        : RecognitionClient(std::move(endpoints), options, std::move(encoder)), m_route(route),
          m_state(&state)
    {
    }

protected:
    void send(const QString &imageBase64, RequestProvider &provider, Completion done) override
    {
        const QString language =
            m_route == MakerServerRoute::baidu && m_state ? m_state->selectedLanCode() : QString();
        provider.request(makerServerRequest(m_route, imageBase64, language),
                         [route = m_route, done](const RequestResult &result) {
                             const RecognitionOutcome outcome = makerServerOutcome(route, result);
                             printReply(outcome);
                             if (outcome.kind == RecognitionOutcome::Kind::recognised)
                                 printLine(outcome.text);
                             done(outcome);
                         });
    }

private:
    MakerServerRoute m_route;
    QPointer<const LumenoObject> m_state;
};

// Google Cloud Vision with the user's own key. It prints no recognised text.
class VisionClient final : public RecognitionClient
{
public:
    VisionClient(const LumenoObject &state, Endpoints endpoints, RequestProvider::Options options,
                 Encoder encoder)
        : RecognitionClient(std::move(endpoints), options, std::move(encoder)), m_state(&state)
    {
    }

protected:
    void send(const QString &imageBase64, RequestProvider &provider, Completion done) override
    {
        const QString apiKey = m_state ? m_state->googleAPIKey() : QString();
        if (apiKey.isEmpty()) {
            // Queued like every other answer, so the caller never sees one from within send.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [done] { done(RecognitionOutcome::missingApiKey()); },
                Qt::QueuedConnection);
            return;
        }
        provider.request(visionRequest(endpoints(), imageBase64, apiKey),
                         [done](const RequestResult &result) {
                             const RecognitionOutcome outcome = visionOutcome(result);
                             printReply(outcome);
                             done(outcome);
                         });
    }

private:
    QPointer<const LumenoObject> m_state;
};

} // namespace

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
    // The application is the continuation's context: unlike a view, it outlives every run.
    QtConcurrent::run([encoder = m_encoder, image] { return encoder(image); })
        .then(QCoreApplication::instance(),
              [self, provider, done](const std::optional<QByteArray> &encoded) {
                  if (!encoded) {
                      done(RecognitionOutcome::unreachable());
                      return;
                  }
                  self->send(QString::fromLatin1(*encoded), *provider, done);
              });
}

std::shared_ptr<RecognitionClient> makeRecognitionClient(const LumenoObject &state,
                                                         Endpoints endpoints,
                                                         RequestProvider::Options options,
                                                         RecognitionClient::Encoder encoder)
{
    if (state.ocrModeType() != OcrModeType::google)
        return std::make_shared<MakerServerClient>(
            MakerServerRoute::baidu, state, std::move(endpoints), options, std::move(encoder));
    if (endpoints.googleRoad == GoogleRoad::server)
        return std::make_shared<MakerServerClient>(
            MakerServerRoute::googleOCR, state, std::move(endpoints), options, std::move(encoder));
    return std::make_shared<VisionClient>(state, std::move(endpoints), options, std::move(encoder));
}

} // namespace lumeno
