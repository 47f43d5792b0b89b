#include "VisionRecognitionClient.h"

#include "LumenoObject.h"
#include "ReplyJson.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>

namespace lumeno {

RequestConfig visionRequest(const Endpoints &endpoints, const QString &imageBase64,
                            const QString &apiKey)
{
    const QJsonObject request{
        {QStringLiteral("image"), QJsonObject{{QStringLiteral("content"), imageBase64}}},
        {QStringLiteral("features"),
         QJsonArray{QJsonObject{{QStringLiteral("type"), QStringLiteral("TEXT_DETECTION")}},
                    QJsonObject{{QStringLiteral("maxResults"), 1}}}}};
    const QJsonObject body{{QStringLiteral("requests"), QJsonArray{request}}};

    QUrl url = serviceAddress(endpoints.vision, QStringLiteral("/v1/images:annotate"));
    // Escaped so that no character of the key can end the query or change the address.
    url.setQuery(QStringLiteral("key=") + QString::fromLatin1(QUrl::toPercentEncoding(apiKey)),
                 QUrl::StrictMode);
    return RequestConfig::google(url, QJsonDocument(body).toJson(QJsonDocument::Indented));
}

VisionRecognitionClient::VisionRecognitionClient(const LumenoObject &state, Endpoints endpoints,
                                                 RequestProvider::Options options, Encoder encoder)
    : RecognitionClient(std::move(endpoints), options, std::move(encoder)), m_state(&state)
{
}

void VisionRecognitionClient::recognizeWithGoogle(const QString &imageBase64, const QString &apiKey,
                                                  RequestProvider &provider, Completion done)
{
    if (apiKey.isEmpty()) {
        // Queued like every other answer, so the caller never sees one from within this call.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done] { done(RecognitionOutcome::missingApiKey()); },
            Qt::QueuedConnection);
        return;
    }
    sendAndRead(provider, visionRequest(provider.endpoints(), imageBase64, apiKey),
                &handleVisionReply, TextLine::notPrinted, std::move(done));
}

RecognitionOutcome VisionRecognitionClient::handleVisionReply(const RequestResult &result)
{
    const std::optional<QJsonDocument> document = replyJson(result);
    if (!document)
        return RecognitionOutcome::unreachable();
    if (result.response->statusCode != 200)
        return RecognitionOutcome::unreachable(compactJson(*document));
    const QJsonObject reply = document->object();
    const QJsonArray responses = reply.value(QLatin1String("responses")).toArray();
    if (reply.value(QLatin1String("error")).isObject() || responses.isEmpty() ||
        !responses.first().isObject())
        return RecognitionOutcome::unreachable();

    // Cloud Vision leaves "textAnnotations" out when it finds no text, and reports a failure
    // for this one image as an "error" object inside its response.
    const QJsonObject first = responses.first().toObject();
    if (first.value(QLatin1String("error")).isObject())
        return RecognitionOutcome::unreachable();
    const QJsonValue annotations = first.value(QLatin1String("textAnnotations"));
    if (annotations.isUndefined() || annotations.toArray().isEmpty()) {
        if (annotations.isUndefined() || annotations.isArray())
            return RecognitionOutcome::alert(kNoTextExtractedMessage);
        return RecognitionOutcome::unreachable();
    }
    QString text;
    for (const QJsonValue &annotation : annotations.toArray()) {
        const QJsonValue description = annotation.toObject().value(QLatin1String("description"));
        if (!description.isString())
            return RecognitionOutcome::unreachable();
        text += description.toString();
    }
    return RecognitionOutcome::recognised(text);
}

void VisionRecognitionClient::send(const QString &imageBase64, RequestProvider &provider,
                                   Completion done)
{
    // Read as the request goes out, so a key set during the encoding is the one sent.
    recognizeWithGoogle(imageBase64, m_state ? m_state->googleAPIKey() : QString(), provider,
                        std::move(done));
}

} // namespace lumeno
