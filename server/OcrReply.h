#pragma once

#include "HttpServer.h"

#include <QString>

namespace lumeno::OcrReply {

// {"status": 200, "message": "", "data": {"text": text}}
HttpResponse text(const QString &text);
// {"status": 429, "message": message, "data": {}}, still HTTP 200: the clients show the message.
HttpResponse refusal(const QString &message);
// Wrong method or path: plain HTTP, nothing for the clients to show.
HttpResponse plain(int status, const QByteArray &body);

} // namespace lumeno::OcrReply
