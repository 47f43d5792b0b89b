#include "RequestProvider.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace lumeno {

namespace {

// A reply whose status line came but whose body was cut off, timed out, aborted or could not be
// read (Qt's protocol errors) is no response. HTTP 4xx and 5xx set an error on the reply too, and
// those are responses: the content errors, Qt's "invalid operation", which it gives for 400 and
// 418, and the server errors.
bool isTransportError(QNetworkReply::NetworkError error)
{
    if (error == QNetworkReply::NoError)
        return false;
    const bool contentError = (error >= QNetworkReply::ContentAccessDenied &&
                               error <= QNetworkReply::UnknownContentError) ||
                              error == QNetworkReply::ProtocolInvalidOperationError;
    const bool serverError =
        error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError;
    return !(contentError || serverError);
}

} // namespace

std::shared_ptr<RequestProvider> RequestProvider::create(Endpoints endpoints, Options options)
{
    return std::shared_ptr<RequestProvider>(new RequestProvider(std::move(endpoints), options));
}

RequestProvider::RequestProvider(Endpoints endpoints, Options options)
    : m_endpoints(std::move(endpoints)), m_options(options), m_manager(new QNetworkAccessManager)
{
}

RequestProvider::~RequestProvider()
{
    // The last handle may go inside a reply's own signal: the manager and its replies must
    // outlive that emission.
    m_manager->deleteLater();
}

void RequestProvider::request(const RequestConfig &target, Completion completion)
{
    const WireRequest wire = wireRequest(target, m_endpoints);
    QNetworkRequest request(wire.url);
    for (const auto &[name, value] : wire.headers)
        request.setRawHeader(name, value);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(static_cast<int>(m_options.transferTimeout.count()));

    QNetworkReply *reply = m_manager->sendCustomRequest(request, wire.method, wire.body);
    auto body = std::make_shared<QByteArray>();
    auto tooLarge = std::make_shared<bool>(false);
    const qint64 limit = m_options.maxReplyBytes;

    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, body, tooLarge, limit] {
        if (*tooLarge)
            return;
        if (body->size() + reply->bytesAvailable() > limit) {
            *tooLarge = true;
            reply->abort();
            return;
        }
        body->append(reply->readAll());
    });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [self = shared_from_this(), reply, body, tooLarge,
                      completion = std::move(completion)]() mutable {
                         // Taken out of the connection so that this run's provider can go once it
                         // is done.
                         auto keepAlive = std::exchange(self, nullptr);
                         reply->deleteLater();
                         RequestResult result;
                         const QVariant status =
                             reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                         if (*tooLarge)
                             result.failure = QStringLiteral("reply too large");
                         else if (!status.isValid() || isTransportError(reply->error()))
                             result.failure =
                                 reply->error() == QNetworkReply::OperationCanceledError
                                     ? QStringLiteral("timed out")
                                     : QStringLiteral("no response");
                         else
                             result.response = Response{status.toInt(), *body + reply->readAll()};
                         completion(result);
                     });
}

} // namespace lumeno
