#pragma once

#include "RequestProvider.h"

#include <QJsonDocument>
#include <optional>

namespace lumeno {

// The body of a response that came, parsed as JSON. Nothing for a transport failure, an empty
// body or a body that is not JSON.
std::optional<QJsonDocument> replyJson(const RequestResult &result);

// The document as compact JSON text, for the line printed before a non-200 alert.
QByteArray compactJson(const QJsonDocument &document);

} // namespace lumeno
