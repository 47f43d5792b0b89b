#pragma once

#include "Refusal.h"
#include "RequestReader.h"

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumeno {

// A fixed set of recognition workers taking jobs from a bounded queue. Each worker keeps one
// engine per model list, made on first use and reused. The whole job, parsing included, runs
// on a worker so that the HTTP threads only ever move bytes.
class RecognitionPool
{
public:
    using Done = std::function<void(OrRefusal<QString>)>;

    struct Options
    {
        unsigned workers = 1;
        // Jobs that may wait while every worker is busy.
        unsigned queueLimit = 2;
        std::chrono::milliseconds deadline = std::chrono::seconds(60);
    };

    RecognitionPool(RequestReader reader, Options options);
    // Finishes every accepted job, then stops the workers.
    ~RecognitionPool();
    RecognitionPool(const RecognitionPool &) = delete;
    RecognitionPool &operator=(const RecognitionPool &) = delete;

    // False, at once, when every worker is busy and the queue is full; then done is not called.
    // Otherwise done is called exactly once, on a worker thread.
    bool submit(QByteArray body, bool languageRequired, Done done);

private:
    struct Job
    {
        QByteArray body;
        bool languageRequired;
        Done done;
    };

    void work();

    const RequestReader m_reader;
    const Options m_options;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_queue;
    unsigned m_busy = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace lumeno
