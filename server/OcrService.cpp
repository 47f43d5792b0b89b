#include "OcrService.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace lumeno {

namespace {

HttpResponse reply(int status, const QString &message, const QString &text)
{
    const QJsonObject object{{QStringLiteral("status"), status},
                             {QStringLiteral("message"), message},
                             {QStringLiteral("data"), QJsonObject{{QStringLiteral("text"), text}}}};
    return {200, QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

HttpResponse plain(int status, const char *text)
{
    return {status, QByteArray(text) + '\n', "text/plain; charset=utf-8"};
}

} // namespace

HttpResponse OcrService::textReply(const QString &text)
{
    return reply(200, QString(), text);
}

HttpResponse OcrService::refusalReply(const QString &message)
{
    return reply(429, message, QString());
}

HttpResponse OcrService::busyReply()
{
    return refusalReply(QStringLiteral("The OCR server is busy with other captures. Wait a moment "
                                       "and try again."));
}

void OcrService::handle(const HttpRequest &request, HttpServer::Responder respond)
{
    const bool baidu = request.path == kBaiduPath;
    if (!baidu && request.path != kAutomaticPath)
        return respond(plain(404, "not found"));
    if (request.method != "POST") {
        HttpResponse notAllowed = plain(405, "method not allowed; use POST");
        notAllowed.headers = {{"Allow", "POST"}};
        return respond(notAllowed);
    }
    const bool accepted = m_pool.submit(request.body, baidu, [respond](OrRefusal<QString> result) {
        if (const auto *refusal = std::get_if<Refusal>(&result))
            respond(refusalReply(refusal->message));
        else
            respond(textReply(std::get<QString>(result)));
    });
    if (!accepted)
        respond(busyReply());
}

} // namespace lumeno
