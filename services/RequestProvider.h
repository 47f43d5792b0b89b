#pragma once

#include "Endpoints.h"
#include "RequestConfig.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace lumeno {

// A response that came: any HTTP status, with its body.
struct Response
{
    int statusCode = 0;
    QByteArray data;
};

// What a request ends in: a response, or a failure (no connection, time-out, a body over the
// size limit, a connection cut before the end of the body). The failure reason names the kind
// only, never the address.
struct RequestResult
{
    std::optional<Response> response;
    QString failure;

    bool isSuccess() const { return response.has_value(); }
};

// Sends request targets over QNetworkAccessManager. Made on the main thread, once per run; the
// requests in flight keep it alive, so a caller may drop its handle at once.
class RequestProvider : public std::enable_shared_from_this<RequestProvider>
{
public:
    struct Options
    {
        // No byte for this long ends the request as a failure.
        std::chrono::milliseconds transferTimeout{30000};
        qint64 maxReplyBytes = 8 * 1024 * 1024;
    };
    using Completion = std::function<void(const RequestResult &)>;

    static std::shared_ptr<RequestProvider> create(Endpoints endpoints, Options options);
    static std::shared_ptr<RequestProvider> create(Endpoints endpoints)
    {
        return create(std::move(endpoints), Options{});
    }
    ~RequestProvider();

    const Endpoints &endpoints() const { return m_endpoints; }

    // Sends the target and later calls completion exactly once, on the main thread, never from
    // within this call. Redirects are not followed (a 3xx is a response); TLS errors are never
    // ignored.
    void request(const RequestConfig &target, Completion completion);

private:
    RequestProvider(Endpoints endpoints, Options options);

    Endpoints m_endpoints;
    Options m_options;
    QNetworkAccessManager *m_manager;
};

} // namespace lumeno
