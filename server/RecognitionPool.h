#pragma once

#include "JobScheduler.h"
#include "Refusal.h"
#include "RequestReader.h"

#include <QByteArray>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace lumeno {

class TesseractEngine;

// Recognises requests on a fixed set of workers. A worker reads a request (parsing included, so
// that the HTTP threads only ever move bytes) and finds its layout once; its lines, or pieces of
// them, are then read by every worker that is free, in parallel, and the text is joined in
// reading order. Each worker keeps one engine per model list, made on first use and reused.
//
// Requests share a memory budget: a request claims what its body costs to parse, then, once its
// image header is read, what the image will cost from decoding to its last piece. It is decoded
// only when that fits; until then it waits, holding no worker.
class RecognitionPool
{
public:
    using Done = std::function<void(OrRefusal<QString>)>;

    struct Options
    {
        unsigned workers = 1;
        // Requests that may wait while every worker is busy.
        unsigned queueLimit = 2;
        // Workers one request may keep busy at once; 0 means all of them.
        unsigned workersPerRequest = 0;
        // From the moment the request's image has the memory to be decoded, over all of its
        // pieces.
        std::chrono::milliseconds deadline = std::chrono::seconds(60);
        // Bytes that the requests in hand may cost at once; 0 means no budget.
        std::size_t memoryBudget = 0;
        // For tests: runs on the worker just before it hands a piece to its engine, so that a
        // test can see which workers are reading at once (and hold them there to find out).
        std::function<void(unsigned worker)> beforePiece;
    };

    // What a request is expected to cost at most, in bytes, while its body is parsed and, once
    // its header is known, from decoding its image to its last piece.
    static std::size_t parsingCost(qsizetype bodyBytes);
    static std::size_t recognitionCost(const ParsedRequest &request);

    RecognitionPool(RequestReader reader, Options options);
    // Finishes every accepted request, then stops the workers.
    ~RecognitionPool();
    RecognitionPool(const RecognitionPool &) = delete;
    RecognitionPool &operator=(const RecognitionPool &) = delete;

    // False, at once, when workers + queueLimit requests are already in hand; then done is not
    // called. Otherwise done is called exactly once, on a worker thread, once no worker is busy
    // with the request any more.
    bool submit(QByteArray body, bool languageRequired, Done done);

private:
    struct Request;
    using JobHandle = JobScheduler::JobHandle;

    void read(const JobHandle &job, const std::shared_ptr<Request> &request);
    void prepare(const JobHandle &job, const std::shared_ptr<Request> &request);
    void recognise(const JobHandle &job, Request &request, int piece, unsigned worker);
    std::variant<TesseractEngine *, Refusal> engine(unsigned worker, const QString &models);

    const RequestReader m_reader;
    const Options m_options;
    // One map per worker, touched only by that worker.
    std::vector<std::map<QString, std::unique_ptr<TesseractEngine>>> m_engines;
    // Declared last, so that its workers have stopped before the engines go.
    JobScheduler m_scheduler;
};

} // namespace lumeno
