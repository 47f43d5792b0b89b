#pragma once

#include "HttpServer.h"
#include "RecognitionPool.h"

namespace lumeno {

// The recognition endpoints over HTTP: routes each request and turns the pool's result into the
// clients' reply form {"status", "message", "data": {"text"}}.
class OcrService
{
public:
    static constexpr const char *kBaiduPath = "/api/ocr/GetBaiduOcrTextNew";
    static constexpr const char *kAutomaticPath = "/api/ocr/GetOcrText";

    explicit OcrService(RecognitionPool &pool) : m_pool(pool) {}

    // Runs on the HTTP threads; never blocks on recognition.
    void handle(const HttpRequest &request, HttpServer::Responder respond);

    static HttpResponse textReply(const QString &text);
    static HttpResponse refusalReply(const QString &message);
    // The refusal when the server has no room for a request: its queue or its memory is full.
    static HttpResponse busyReply();

private:
    RecognitionPool &m_pool;
};

} // namespace lumeno
