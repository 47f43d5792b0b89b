#include "ParameterEncoding.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

namespace lumeno::ParameterEncoding {

QByteArray jsonBody(const QVariantMap &parameters)
{
    return QJsonDocument(QJsonObject::fromVariantMap(parameters)).toJson(QJsonDocument::Compact);
}

QByteArray formEncoded(const QVariantMap &parameters)
{
    // QVariantMap iterates its keys in ascending order already.
    QByteArray encoded;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it) {
        if (!encoded.isEmpty())
            encoded += '&';
        encoded += QUrl::toPercentEncoding(it.key(), "/?");
        encoded += '=';
        encoded += QUrl::toPercentEncoding(it.value().toString(), "/?");
    }
    return encoded;
}

} // namespace lumeno::ParameterEncoding
