#include "RecognitionPool.h"

#include "PageText.h"
#include "TesseractEngine.h"

#include <atomic>
#include <cmath>
#include <malloc.h>
#include <mutex>
#include <optional>

namespace lumeno {

using Clock = std::chrono::steady_clock;

namespace {

// Parsing holds the body, the JSON document's copy of it, the image's Base64 as UTF-16 text and
// as Latin-1, and the decoded image bytes: about five and a half times the body at its peak.
constexpr std::size_t kParsingBytesPerBodyByte = 6;
// Bytes per pixel of the page. Decoding an RGBA PNG holds libpng's rows and Leptonica's image
// (8); later come the grey page (1), a piece as large as the page, doubled for small text (4),
// and the engine's own copies of that piece (about 5 per piece pixel, 20). Measured: 26 at the
// peak of the worst 40-megapixel page alone, 30 with several at once (the allocator's arenas
// keep some of each other's freed blocks).
constexpr std::size_t kRecognitionBytesPerPixel = 32;
// After a request that cost this much, the allocator's free pages go back to the system:
// glibc keeps them for reuse otherwise, and a few large requests would leave the server
// holding gigabytes it no longer uses.
constexpr std::size_t kGiveBackAfter = 64 * 1024 * 1024;

} // namespace

// One request from its body to its text. Its pieces run on several workers at once: each writes
// only its own piece of `text`, and the first refusal is the answer.
struct RecognitionPool::Request
{
    QByteArray body;
    bool languageRequired = false;
    Done done;
    std::size_t cost = 0;

    std::optional<ParsedRequest> parsed;
    Clock::time_point deadline;
    PreparedPage page;
    QString models;
    std::optional<PageText> text;
    // Turns true with the first refusal; pieces still running give up when they see it.
    std::atomic<bool> stopped = false;

    void refuse(Refusal why)
    {
        std::lock_guard lock(m_mutex);
        if (!m_refusal)
            m_refusal = std::move(why);
        stopped = true;
    }
    OrRefusal<QString> result()
    {
        std::lock_guard lock(m_mutex);
        if (m_refusal)
            return *m_refusal;
        return text ? text->joined() : QString();
    }

private:
    std::mutex m_mutex;
    std::optional<Refusal> m_refusal;
};

RecognitionPool::RecognitionPool(RequestReader reader, Options options)
    : m_reader(std::move(reader)), m_options(options), m_engines(options.workers),
      m_scheduler(
          {options.workers, options.queueLimit, options.workersPerRequest, options.memoryBudget})
{
}

RecognitionPool::~RecognitionPool() = default;

std::size_t RecognitionPool::parsingCost(qsizetype bodyBytes)
{
    return static_cast<std::size_t>(bodyBytes) * kParsingBytesPerBodyByte;
}

std::size_t RecognitionPool::recognitionCost(const ParsedRequest &request)
{
    return static_cast<std::size_t>(request.image.size()) +
           static_cast<std::size_t>(request.header.pixels()) * kRecognitionBytesPerPixel;
}

bool RecognitionPool::submit(QByteArray body, bool languageRequired, Done done)
{
    auto request = std::make_shared<Request>();
    const std::size_t cost = parsingCost(body.size());
    request->body = std::move(body);
    request->languageRequired = languageRequired;
    request->done = std::move(done);
    return m_scheduler.admit(
               [this, request](const JobHandle &job, unsigned) { read(job, request); },
               [request] {
                   request->done(request->result());
                   if (request->cost >= kGiveBackAfter)
                       malloc_trim(0);
               },
               cost) != nullptr;
}

void RecognitionPool::read(const JobHandle &job, const std::shared_ptr<Request> &request)
{
    auto parsed = m_reader.parse(request->body, request->languageRequired);
    request->cost = parsingCost(request->body.size());
    request->body = QByteArray();
    if (auto *refusal = std::get_if<Refusal>(&parsed))
        return request->refuse(std::move(*refusal));
    request->parsed = std::get<ParsedRequest>(std::move(parsed));
    const std::size_t cost = recognitionCost(*request->parsed);
    if (!m_scheduler.claim(job, cost))
        return request->refuse(
            Refusal{QStringLiteral("The image is too large for the OCR server's memory (%1 x %2 "
                                   "pixels). Capture a smaller area.")
                        .arg(request->parsed->header.width)
                        .arg(request->parsed->header.height)});
    request->cost = std::max(request->cost, cost);
    // Decoded on the next free worker once the memory is there; until then no worker waits.
    m_scheduler.post(job,
                     [this, request](const JobHandle &job, unsigned) { prepare(job, request); });
}

void RecognitionPool::prepare(const JobHandle &job, const std::shared_ptr<Request> &request)
{
    request->deadline = Clock::now() + m_options.deadline;
    auto input = m_reader.prepare(std::move(*request->parsed));
    request->parsed.reset();
    if (auto *refusal = std::get_if<Refusal>(&input))
        return request->refuse(std::move(*refusal));
    RecognitionInput &page = std::get<RecognitionInput>(input);
    // Enough pieces for every spare worker, this one included, within the request's share: a
    // lone request is read by all of them. Under load the lines alone keep the workers busy.
    const unsigned share =
        m_options.workersPerRequest > 0 ? m_options.workersPerRequest : m_options.workers;
    page.layout.splitLines(static_cast<int>(std::min(share, m_scheduler.spareWorkers() + 1)));
    request->text.emplace(page.layout.blocks());
    request->page = std::move(page.page);
    request->models = std::move(page.models);
    for (int piece = 0; piece < request->text->pieceCount(); ++piece)
        m_scheduler.post(job, [this, request, piece](const JobHandle &job, unsigned worker) {
            recognise(job, *request, piece, worker);
        });
}

void RecognitionPool::recognise(const JobHandle &job, Request &request, int piece, unsigned worker)
{
    if (request.stopped)
        return;
    const auto stop = [&](Refusal why) {
        request.refuse(std::move(why));
        m_scheduler.cancel(job);
    };
    const auto late = [&] {
        const auto seconds = std::chrono::duration<double>(m_options.deadline).count();
        return Refusal{QStringLiteral("Recognition took longer than %1 seconds and was stopped. "
                                      "Capture a smaller area.")
                           .arg(std::max(1.0, std::round(seconds)))};
    };
    if (Clock::now() >= request.deadline)
        return stop(late());
    auto found = engine(worker, request.models);
    if (auto *refusal = std::get_if<Refusal>(&found))
        return stop(std::move(*refusal));
    PixPtr image = m_reader.preparer().piece(request.page.grey.get(), request.text->box(piece),
                                             request.page.xHeight);
    if (!image)
        return stop(Refusal{QStringLiteral("The OCR server is short of memory for this image. "
                                           "Try again with a smaller area.")});
    if (m_options.beforePiece)
        m_options.beforePiece(worker);
    auto outcome = std::get<TesseractEngine *>(found)->recognise(
        image.get(), {request.deadline, &request.stopped});
    if (auto *text = std::get_if<QString>(&outcome))
        request.text->set(piece, std::move(*text));
    else if (auto *refusal = std::get_if<Refusal>(&outcome))
        stop(std::move(*refusal));
    else if (!request.stopped)
        stop(late());
}

std::variant<TesseractEngine *, Refusal> RecognitionPool::engine(unsigned worker,
                                                                 const QString &models)
{
    std::unique_ptr<TesseractEngine> &engine = m_engines[worker][models];
    if (!engine) {
        auto created = TesseractEngine::create(m_reader.catalog().tessdataDirectory(), models);
        if (auto *refusal = std::get_if<Refusal>(&created)) {
            m_engines[worker].erase(models);
            return *refusal;
        }
        engine = std::get<std::unique_ptr<TesseractEngine>>(std::move(created));
    }
    return engine.get();
}

} // namespace lumeno
