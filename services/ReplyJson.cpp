#include "ReplyJson.h"

namespace lumeno {

std::optional<QJsonDocument> replyJson(const RequestResult &result)
{
    if (!result.isSuccess() || result.response->data.isEmpty())
        return std::nullopt;
    QJsonParseError error{};
    QJsonDocument document = QJsonDocument::fromJson(result.response->data, &error);
    if (error.error != QJsonParseError::NoError)
        return std::nullopt;
    return document;
}

QByteArray compactJson(const QJsonDocument &document)
{
    return document.toJson(QJsonDocument::Compact);
}

} // namespace lumeno
