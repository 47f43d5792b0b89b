#include "MakerServerReply.h"

#include "ReplyJson.h"

#include <QJsonObject>

namespace lumeno {

namespace {

bool isRefusal(const QJsonValue &status, MakerServerReplyRules rules)
{
    // JSON has no integers of its own: 429 and 429.0 are the same number, 429.5 is not 429.
    if (status.isDouble() && status.toDouble() == 429.0)
        return true;
    return rules.textStatus999Refuses && status.isString() &&
           status.toString() == QLatin1String("999");
}

} // namespace

RecognitionOutcome readMakerServerReply(const RequestResult &result, MakerServerReplyRules rules)
{
    const std::optional<QJsonDocument> document = replyJson(result);
    if (!document)
        return RecognitionOutcome::unreachable();
    if (result.response->statusCode != 200)
        return RecognitionOutcome::unreachable(rules.printsNon200Reply ? compactJson(*document)
                                                                       : QByteArray());
    if (!document->isObject())
        return RecognitionOutcome::unreachable();
    const QJsonObject reply = document->object();
    if (isRefusal(reply.value(QLatin1String("status")), rules)) {
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
