#include "Translation.h"

#include "Md5.h"
#include "ReplyJson.h"
#include "StandardOutput.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>

namespace lumeno {

QString translationSalt()
{
    return QString::number(QRandomGenerator::global()->bounded(10));
}

QString translationSign(const QString &appId, const QString &text, const QString &salt,
                        const QString &secretKey)
{
    return md5Hex(0, appId + text + salt + secretKey);
}

QVariantMap translationParameters(const QString &text, const QString &targetCode,
                                  const QString &salt)
{
    const QString appId = QLatin1String(kTranslationAppId);
    return {{QStringLiteral("appid"), appId},
            {QStringLiteral("from"), QStringLiteral("auto")},
            {QStringLiteral("to"), targetCode},
            {QStringLiteral("q"), text},
            {QStringLiteral("salt"), salt},
            {QStringLiteral("sign"),
             translationSign(appId, text, salt, QLatin1String(kTranslationSecretKey))}};
}

QString describeParameters(const QVariantMap &parameters)
{
    QStringList pairs;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        pairs << QStringLiteral("\"%1\": \"%2\"").arg(it.key(), it.value().toString());
    return QLatin1Char('[') + pairs.join(QStringLiteral(", ")) + QLatin1Char(']');
}

TranslationOutcome handleTranslationReply(const RequestResult &result)
{
    const std::optional<QJsonDocument> document = replyJson(result);
    if (!document || result.response->statusCode != 200)
        return {true, {}, {}};
    const QJsonObject reply = document->object();
    const QJsonValue segments = reply.value(QLatin1String("trans_result"));
    if (reply.value(QLatin1String("error_msg")).isString() || !segments.isArray())
        return {true, {}, {}};

    TranslationOutcome outcome;
    QString joined;
    for (const QJsonValue &segment : segments.toArray()) {
        if (!segment.isObject())
            continue;
        const QJsonValue dst = segment.toObject().value(QLatin1String("dst"));
        if (dst.isString()) {
            joined += dst.toString();
            outcome.progress << joined;
        }
        outcome.translation = joined;
    }
    return outcome;
}

void sendTranslation(const QString &text, const QString &targetCode, const Endpoints &endpoints,
                     const RequestProvider::Options &options,
                     std::function<void(const TranslationOutcome &)> done)
{
    const QVariantMap parameters = translationParameters(text, targetCode, translationSalt());
    printLine(describeParameters(parameters));
    RequestProvider::create(endpoints, options)
        ->request(RequestConfig::translate(parameters), [done](const RequestResult &result) {
            const TranslationOutcome outcome = handleTranslationReply(result);
            for (const QString &joined : outcome.progress)
                printLine(QStringLiteral("Translation: ") + joined);
            done(outcome);
        });
}

} // namespace lumeno
