#include "RecognitionPool.h"

#include "PageText.h"
#include "TesseractEngine.h"

#include <atomic>
#include <cmath>
#include <mutex>
#include <optional>

namespace lumeno {

using Clock = std::chrono::steady_clock;

// One request from its body to its text. Its pieces run on several workers at once: each writes
// only its own piece of `text`, and the first refusal is the answer.
struct RecognitionPool::Request
{
    QByteArray body;
    bool languageRequired = false;
    Done done;

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
      m_scheduler({options.workers, options.queueLimit, options.workersPerRequest})
{
}

RecognitionPool::~RecognitionPool() = default;

bool RecognitionPool::submit(QByteArray body, bool languageRequired, Done done)
{
    auto request = std::make_shared<Request>();
    request->body = std::move(body);
    request->languageRequired = languageRequired;
    request->done = std::move(done);
    return m_scheduler.admit(
               [this, request](const JobHandle &job, unsigned) { read(job, request); },
               [request] { request->done(request->result()); }) != nullptr;
}

void RecognitionPool::read(const JobHandle &job, const std::shared_ptr<Request> &request)
{
    request->deadline = Clock::now() + m_options.deadline;
    auto input = m_reader.read(request->body, request->languageRequired);
    // The request's memory (up to the body limit) goes before its pieces are read.
    request->body = QByteArray();
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
