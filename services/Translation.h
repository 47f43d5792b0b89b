#pragma once

#include "RequestConfig.h"
#include "RequestProvider.h"

#include <QStringList>
#include <optional>

namespace lumeno {

// The translation account's secret key: only ever an input of the signature, never sent or
// printed.
inline constexpr const char *kTranslationSecretKey = "Qm4Tz_wKp7Rb2XsLv9Nd";
// The one alert of every translation failure; the service's own message is never shown.
inline const QString kTranslationFailedMessage =
    QStringLiteral("Text translation failed, please contact our team");

// One decimal digit, "0" to "9", uniformly drawn.
QString translationSalt();

// md5Hex(0, application id + text + salt + secret key).
QString translationSign(const QString &appId, const QString &text, const QString &salt,
                        const QString &secretKey);

// The six body parameters: appid, from "auto", to, q (the text as it is), salt and sign.
QVariantMap translationParameters(const QString &text, const QString &targetCode,
                                  const QString &salt);

// The parameters as one printable line, keys ascending: ["appid": "…", "from": "auto", …].
QString describeParameters(const QVariantMap &parameters);

struct TranslationOutcome
{
    bool failed = false;
    // The joined text after each "dst" segment, one "Translation: " line each.
    QStringList progress;
    // The new translation text; nothing when the reply leaves it as it is (no object segment).
    std::optional<QString> translation;
};

// Reads {"error_msg": text} or {"trans_result": [{"dst": text}, ...]}. Failures: no response, an
// empty or non-JSON body, a status other than 200, a text "error_msg" (even beside a
// "trans_result"), and a status-200 reply with no "trans_result" array.
TranslationOutcome handleTranslationReply(const RequestResult &result);

// Signs the text for the target and sends it with a new provider, printing the parameters first;
// prints each "Translation: " line of the reply, then calls done with the outcome, once, on the
// main thread, also when the asker is gone: done must guard what it writes. Main thread only.
void sendTranslation(const QString &text, const QString &targetCode, const Endpoints &endpoints,
                     const RequestProvider::Options &options,
                     std::function<void(const TranslationOutcome &)> done);

} // namespace lumeno
