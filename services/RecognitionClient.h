#pragma once

#include "Endpoints.h"
#include "RecognitionOutcome.h"
#include "RequestProvider.h"

#include <QImage>
#include <functional>
#include <memory>
#include <optional>

namespace lumeno {

class LumenoObject;

// One road to recognised text: the capture encoded as Base64 PNG off the main thread, sent to
// the road's service, and the reply read into an outcome. Each road writes its own print lines
// (the recognised text, a non-200 reply) itself, so they are written even when whoever asked is
// gone by the time the reply comes.
class RecognitionClient : public std::enable_shared_from_this<RecognitionClient>
{
public:
    using Completion = std::function<void(const RecognitionOutcome &)>;
    // Turns an image into the request's image text; nothing when it cannot.
    using Encoder = std::function<std::optional<QByteArray>(const QImage &)>;

    virtual ~RecognitionClient();

    // Main thread only; the client must be held by a shared_ptr. Calls done exactly once, on the
    // main thread and never from within this call, also after the asker is gone: done must guard
    // what it writes. An image that cannot be encoded ends in the common failure without a
    // request.
    void recognize(const QImage &image, Completion done);

protected:
    RecognitionClient(Endpoints endpoints, RequestProvider::Options options, Encoder encoder);

    // The road's own step: sends the encoded image with the run's provider; done gets the
    // outcome on the main thread.
    virtual void send(const QString &imageBase64, RequestProvider &provider, Completion done) = 0;

    // Whether a road prints the text it recognised as a line of its own.
    enum class TextLine
    {
        printed,
        notPrinted,
    };
    using ReplyReader = RecognitionOutcome (*)(const RequestResult &);

    // What every road does with its request: the reply is read by readReply, the reply the
    // outcome carries is printed, then the recognised text where the road prints it, and done
    // gets the outcome. The lines come first so that they are written whoever is left to listen.
    static void sendAndRead(RequestProvider &provider, const RequestConfig &request,
                            ReplyReader readReply, TextLine textLine, Completion done);

private:
    using EncodedImage = std::function<void(const std::optional<QByteArray> &)>;
    // Runs the encoder on the thread pool and hands its result to completion on the main thread.
    // The continuation holds no view, so it is safe whoever asked is gone by then.
    void convertImageInBackground(const QImage &image, EncodedImage completion);

    Endpoints m_endpoints;
    RequestProvider::Options m_options;
    Encoder m_encoder;
};

// The road of the engine the state names: the maker's server with the state's OCR language, or
// for Google the maker's server or Cloud Vision with the state's API key, as the endpoints say.
// The state is read when the request goes out, on the main thread; it may be gone by then.
std::shared_ptr<RecognitionClient> makeRecognitionClient(const LumenoObject &state,
                                                         Endpoints endpoints,
                                                         RequestProvider::Options options,
                                                         RecognitionClient::Encoder encoder = {});

} // namespace lumeno
