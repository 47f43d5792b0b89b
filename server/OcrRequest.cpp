#include "OcrRequest.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace lumeno {

OrRefusal<OcrRequest> OcrRequest::parse(const QByteArray &body, bool languageRequired)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Refusal{QStringLiteral("The request is not a JSON object. Send "
                                      "{\"imageBase64\": <Base64 PNG or JPEG>, \"languageIndex\": "
                                      "<language code>}.")};
    const QJsonObject object = document.object();
    const QJsonValue image = object.value(QLatin1String("imageBase64"));
    if (!image.isString())
        return Refusal{QStringLiteral("The request has no \"imageBase64\" text. Send the image as "
                                      "Base64-encoded PNG or JPEG.")};
    const QJsonValue language = object.value(QLatin1String("languageIndex"));
    // Clients that serialise an unset optional write null where others leave the member out.
    const bool absent = language.isUndefined() || language.isNull();
    if (!language.isString() && (languageRequired || !absent))
        return Refusal{QStringLiteral("The request has no \"languageIndex\" text. Send a "
                                      "language code such as \"ENG\".")};

    const QByteArray encoded = image.toString().toLatin1();
    if (encoded.isEmpty())
        return Refusal{QStringLiteral("The image is empty. Capture an area of the screen and "
                                      "try again.")};
    auto decoded = QByteArray::fromBase64Encoding(encoded, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return Refusal{QStringLiteral("The image is not valid Base64. Send the PNG or JPEG bytes "
                                      "in standard Base64.")};
    return OcrRequest{std::move(*decoded), language.toString()};
}

} // namespace lumeno
