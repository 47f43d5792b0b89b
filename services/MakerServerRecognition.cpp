#include "MakerServerRecognition.h"

#include "ReplyJson.h"

#include <QJsonObject>

namespace lumeno {

namespace {

bool isRefusal(MakerServerRoute route, const QJsonValue &status)
{
    // JSON has no integers of its own: 429 and 429.0 are the same number, 429.5 is not 429.
    if (status.isDouble() && status.toDouble() == 429.0)
        return true;
    return route == MakerServerRoute::googleOCR && status.isString() &&
           status.toString() == QLatin1String("999");
}

} // namespace

RequestConfig makerServerRequest(MakerServerRoute route, const QString &imageBase64,
                                 const QString &languageCode)
{
    if (route == MakerServerRoute::baidu)
        return RequestConfig::baidu(imageBase64, languageCode);
    return RequestConfig::googleOCR({{QStringLiteral("imageBase64"), imageBase64},
                                     {QStringLiteral("languageIndex"), QString()}});
}

RecognitionOutcome makerServerOutcome(MakerServerRoute route, const RequestResult &result)
{
    const std::optional<QJsonDocument> document = replyJson(result);
    if (!document)
        return RecognitionOutcome::unreachable();
    // Only the Google route prints a non-200 reply before its alert.
    if (result.response->statusCode != 200)
        return RecognitionOutcome::unreachable(
            route == MakerServerRoute::googleOCR ? compactJson(*document) : QByteArray());
    if (!document->isObject())
        return RecognitionOutcome::unreachable();
    const QJsonObject reply = document->object();
    if (isRefusal(route, reply.value(QLatin1String("status")))) {
        const QJsonValue message = reply.value(QLatin1String("message"));
        return RecognitionOutcome::alert(message.isString() ? message.toString()
                                                            : kServerUnreachableMessage);
    }
    const QJsonValue text =
        reply.value(QLatin1String("data")).toObject().value(QLatin1String("text"));
    if (!text.isString())
        return RecognitionOutcome::unreachable();
    return RecognitionOutcome::recognised(text.toString());
}

} // namespace lumeno
