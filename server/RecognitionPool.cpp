#include "RecognitionPool.h"

#include "TesseractEngine.h"

#include <map>

namespace lumeno {

RecognitionPool::RecognitionPool(RequestReader reader, Options options)
    : m_reader(std::move(reader)), m_options(options)
{
    m_threads.reserve(m_options.workers);
    for (unsigned i = 0; i < m_options.workers; ++i)
        m_threads.emplace_back([this] { work(); });
}

RecognitionPool::~RecognitionPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

bool RecognitionPool::submit(QByteArray body, bool languageRequired, Done done)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || m_queue.size() + m_busy >= m_options.workers + m_options.queueLimit)
            return false;
        m_queue.push_back({std::move(body), languageRequired, std::move(done)});
    }
    m_wake.notify_one();
    return true;
}

void RecognitionPool::work()
{
    std::map<QString, std::unique_ptr<TesseractEngine>> engines;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            ++m_busy;
        }
        OrRefusal<QString> result = [&]() -> OrRefusal<QString> {
            auto input = m_reader.read(job.body, job.languageRequired);
            if (auto *refusal = std::get_if<Refusal>(&input))
                return *refusal;
            auto &[image, models] = std::get<RecognitionInput>(input);
            std::unique_ptr<TesseractEngine> &engine = engines[models];
            if (!engine) {
                auto created =
                    TesseractEngine::create(m_reader.catalog().tessdataDirectory(), models);
                if (auto *refusal = std::get_if<Refusal>(&created)) {
                    engines.erase(models);
                    return *refusal;
                }
                engine = std::get<std::unique_ptr<TesseractEngine>>(std::move(created));
            }
            return engine->recognise(image.get(), m_options.deadline);
        }();
        // The job's memory (up to the body limit) goes before the next one is taken.
        job.body = QByteArray();
        {
            // Free before answering, so a client that sends its next request as soon as it has
            // the reply finds the worker idle.
            std::lock_guard lock(m_mutex);
            --m_busy;
        }
        job.done(std::move(result));
    }
}

} // namespace lumeno
