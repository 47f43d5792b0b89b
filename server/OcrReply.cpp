#include "OcrReply.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace lumeno::OcrReply {

namespace {

HttpResponse json(int status, const QString &message, const QJsonObject &data)
{
    const QJsonObject reply{{"status", status}, {"message", message}, {"data", data}};
    return {200, QJsonDocument(reply).toJson(QJsonDocument::Compact),
            "application/json; charset=utf-8"};
}

} // namespace

HttpResponse text(const QString &text)
{
    return json(200, QString(), {{"text", text}});
}

HttpResponse refusal(const QString &message)
{
    return json(429, message, {});
}

HttpResponse plain(int status, const QByteArray &body)
{
    return {status, body + '\n', "text/plain; charset=utf-8"};
}

} // namespace lumeno::OcrReply
