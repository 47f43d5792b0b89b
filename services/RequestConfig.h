#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <variant>

namespace lumeno {

struct Endpoints;

// How a target's body and URL parameters are formed.
struct RequestTask
{
    enum class Kind
    {
        requestParameters,          // bodyParameters as compact JSON
        requestCompositeParameters, // bodyParameters URL-form-encoded, plus urlParameters
        requestCompositeData,       // bodyData as it is, plus urlParameters
    };
    Kind kind = Kind::requestParameters;
    QVariantMap bodyParameters;
    QByteArray bodyData;
    QVariantMap urlParameters;
};

// Which HTTP statuses count as success. Every target accepts all of them: the reply handlers
// look at the status themselves.
enum class ValidationType
{
    none,
};

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// One remote call: everything the request provider needs to form the HTTP request.
class RequestConfig
{
public:
    enum class Case
    {
        baidu,     // recognition by the maker's OCR server
        googleOCR, // Google recognition through the maker's OCR server
        google,    // Google Cloud Vision, at an address the caller forms
        translate, // the translation service
    };

    static RequestConfig baidu(QString imageBase64, QString languageIndex);
    static RequestConfig googleOCR(QVariantMap parameters);
    static RequestConfig google(QUrl url, QByteArray bodyData);
    static RequestConfig translate(QVariantMap parameters);

    Case kind() const;

    QUrl baseURL(const Endpoints &endpoints) const;
    QString path() const { return {}; }
    QByteArray method() const { return QByteArrayLiteral("POST"); }
    QByteArray sampleData() const { return {}; }
    RequestTask task() const;
    ValidationType validationType() const { return ValidationType::none; }
    HttpHeaders headers() const;

private:
    struct Baidu
    {
        QString imageBase64;
        QString languageIndex;
    };
    struct GoogleOCR
    {
        QVariantMap parameters;
    };
    struct Google
    {
        QUrl url;
        QByteArray bodyData;
    };
    struct Translate
    {
        QVariantMap parameters;
    };
    using Payload = std::variant<Baidu, GoogleOCR, Google, Translate>;

    explicit RequestConfig(Payload payload) : m_payload(std::move(payload)) {}

    Payload m_payload;
};

// The translation account's application id, sent in the URL as "appId" and in the body as
// "appid".
inline constexpr const char *kTranslationAppId = "48213079561240853";

// The request exactly as it goes on the wire.
struct WireRequest
{
    QUrl url;
    QByteArray method;
    HttpHeaders headers;
    QByteArray body;
};

WireRequest wireRequest(const RequestConfig &target, const Endpoints &endpoints);

} // namespace lumeno
