#include "RequestConfig.h"

#include "Endpoints.h"
#include "ParameterEncoding.h"

namespace lumeno {

namespace {

template <class... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};

const QByteArray kContentType = QByteArrayLiteral("Content-type");
const QByteArray kJsonType = QByteArrayLiteral("application/json; charset=utf-8");
// One 65-character value, as the translation service has always been sent it.
const QByteArray kFormType =
    QByteArrayLiteral("application/x-www-form-urlencoded;application/json; charset=utf-8");

} // namespace

RequestConfig RequestConfig::baidu(QString imageBase64, QString languageIndex)
{
    return RequestConfig(Baidu{std::move(imageBase64), std::move(languageIndex)});
}

RequestConfig RequestConfig::googleOCR(QVariantMap parameters)
{
    return RequestConfig(GoogleOCR{std::move(parameters)});
}

RequestConfig RequestConfig::google(QUrl url, QByteArray bodyData)
{
    return RequestConfig(Google{std::move(url), std::move(bodyData)});
}

RequestConfig RequestConfig::translate(QVariantMap parameters)
{
    return RequestConfig(Translate{std::move(parameters)});
}

RequestConfig::Case RequestConfig::kind() const
{
    return static_cast<Case>(m_payload.index());
}

QUrl RequestConfig::baseURL(const Endpoints &endpoints) const
{
    return std::visit(Overloaded{
                          [&](const Baidu &) {
                              return serviceAddress(endpoints.ocrServer,
                                                    QStringLiteral("/api/ocr/GetBaiduOcrTextNew"));
                          },
                          [&](const GoogleOCR &) {
                              return serviceAddress(endpoints.ocrServer,
                                                    QStringLiteral("/api/ocr/GetOcrText"));
                          },
                          [](const Google &google) { return google.url; },
                          [&](const Translate &) {
                              return serviceAddress(endpoints.translate,
                                                    QStringLiteral("/api/trans/vip/translate"));
                          },
                      },
                      m_payload);
}

RequestTask RequestConfig::task() const
{
    return std::visit(
        Overloaded{
            [](const Baidu &baidu) {
                return RequestTask{RequestTask::Kind::requestParameters,
                                   {{QStringLiteral("imageBase64"), baidu.imageBase64},
                                    {QStringLiteral("languageIndex"), baidu.languageIndex}},
                                   {},
                                   {}};
            },
            [](const GoogleOCR &googleOCR) {
                return RequestTask{
                    RequestTask::Kind::requestParameters, googleOCR.parameters, {}, {}};
            },
            [](const Google &google) {
                return RequestTask{
                    RequestTask::Kind::requestCompositeData, {}, google.bodyData, {}};
            },
            [](const Translate &translate) {
                return RequestTask{RequestTask::Kind::requestCompositeParameters,
                                   translate.parameters,
                                   {},
                                   {{QStringLiteral("appId"), QLatin1String(kTranslationAppId)}}};
            },
        },
        m_payload);
}

HttpHeaders RequestConfig::headers() const
{
    return {{kContentType, kind() == Case::translate ? kFormType : kJsonType}};
}

WireRequest wireRequest(const RequestConfig &target, const Endpoints &endpoints)
{
    WireRequest request;
    // Every target's path() is empty: the base address is used as it stands.
    request.url = target.baseURL(endpoints);
    request.method = target.method();
    request.headers = target.headers();

    const RequestTask task = target.task();
    switch (task.kind) {
    case RequestTask::Kind::requestParameters:
        request.body = ParameterEncoding::jsonBody(task.bodyParameters);
        break;
    case RequestTask::Kind::requestCompositeParameters:
        request.body = ParameterEncoding::formEncoded(task.bodyParameters);
        break;
    case RequestTask::Kind::requestCompositeData:
        request.body = task.bodyData;
        break;
    }
    if (!task.urlParameters.isEmpty()) {
        // Appended to whatever query the address already carries, which stays as it is.
        QByteArray query = request.url.query(QUrl::FullyEncoded).toLatin1();
        if (!query.isEmpty())
            query += '&';
        query += ParameterEncoding::formEncoded(task.urlParameters);
        request.url.setQuery(QString::fromLatin1(query), QUrl::StrictMode);
    }
    return request;
}

} // namespace lumeno
