#include "JobScheduler.h"

#include <algorithm>
#include <utility>

namespace lumeno {

struct JobScheduler::Job
{
    std::deque<Task> waiting;
    unsigned running = 0;
    bool cancelled = false;
    std::size_t claim = 0; // bytes its next task needs
    std::size_t held = 0;  // bytes granted to it
    std::function<void()> finished;
};

JobScheduler::JobScheduler(Options options)
    : m_options(options),
      m_perJob(options.perJob == 0 ? options.workers : std::min(options.perJob, options.workers))
{
    m_threads.reserve(m_options.workers);
    for (unsigned i = 0; i < m_options.workers; ++i)
        m_threads.emplace_back([this, i] { work(i); });
}

JobScheduler::~JobScheduler()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

JobScheduler::JobHandle JobScheduler::admit(Task first, std::function<void()> finished,
                                            std::size_t bytes)
{
    auto job = std::make_shared<Job>();
    job->waiting.push_back(std::move(first));
    job->finished = std::move(finished);
    if (m_options.memoryBudget > 0)
        job->claim = std::min(bytes, m_options.memoryBudget);
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || m_admitted >= m_options.workers + m_options.queueLimit)
            return nullptr;
        ++m_admitted;
        m_ready.push_back(job);
    }
    m_wake.notify_one();
    return job;
}

void JobScheduler::post(const JobHandle &job, Task task)
{
    {
        std::lock_guard lock(m_mutex);
        if (job->cancelled)
            return;
        if (job->waiting.empty())
            m_ready.push_back(job);
        job->waiting.push_back(std::move(task));
    }
    m_wake.notify_one();
}

void JobScheduler::cancel(const JobHandle &job)
{
    std::function<void()> finished;
    {
        std::lock_guard lock(m_mutex);
        if (job->cancelled)
            return;
        job->cancelled = true;
        if (!job->waiting.empty()) {
            job->waiting.clear();
            m_ready.erase(std::find(m_ready.begin(), m_ready.end(), job));
        }
        finished = takeFinished(*job);
    }
    if (finished) {
        m_wake.notify_all();
        finished();
    }
}

bool JobScheduler::claim(const JobHandle &job, std::size_t bytes)
{
    if (m_options.memoryBudget == 0)
        return true;
    if (bytes > m_options.memoryBudget)
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_memoryHeld -= job->held;
        job->held = 0;
        job->claim = bytes;
    }
    // What it gave back may let a job waiting for memory start.
    m_wake.notify_all();
    return true;
}

unsigned JobScheduler::spareWorkers() const
{
    std::lock_guard lock(m_mutex);
    // Waiting tasks that could start at once: those their job's share does not hold back.
    unsigned claimed = 0;
    for (const JobHandle &job : m_ready)
        claimed += std::min(static_cast<unsigned>(job->waiting.size()), m_perJob - job->running);
    const unsigned idle = m_options.workers - m_running;
    return idle > claimed ? idle - claimed : 0;
}

std::deque<JobScheduler::JobHandle>::iterator JobScheduler::nextReady()
{
    return std::find_if(m_ready.begin(), m_ready.end(), [this](const JobHandle &job) {
        return job->running < m_perJob && memoryFor(*job);
    });
}

bool JobScheduler::memoryFor(const Job &job) const
{
    return job.held >= job.claim || m_memoryHeld + job.claim <= m_options.memoryBudget;
}

std::function<void()> JobScheduler::takeFinished(Job &job)
{
    if (job.running > 0 || !job.waiting.empty() || !job.finished)
        return {};
    --m_admitted;
    m_memoryHeld -= job.held;
    job.held = 0;
    // Moved out so that whatever the callback holds goes with it, not with the job.
    return std::exchange(job.finished, nullptr);
}

void JobScheduler::work(unsigned worker)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] {
            return nextReady() != m_ready.end() || (m_stopping && m_admitted == 0);
        });
        const auto next = nextReady();
        if (next == m_ready.end())
            return;
        JobHandle job = std::move(*next);
        m_ready.erase(next);
        Task task = std::move(job->waiting.front());
        job->waiting.pop_front();
        if (!job->waiting.empty())
            m_ready.push_back(job); // its next task waits for the other jobs' turns
        if (job->held < job->claim) {
            m_memoryHeld += job->claim;
            job->held = job->claim;
        }
        ++job->running;
        ++m_running;
        lock.unlock();

        task(job, worker);
        task = nullptr; // what the task holds goes before the job can finish

        lock.lock();
        --job->running;
        --m_running;
        // A job held back by its share may go on, on a worker other than this one.
        if (!job->waiting.empty())
            m_wake.notify_one();
        if (std::function<void()> finished = takeFinished(*job)) {
            lock.unlock();
            // Wakes idle workers to see the last job gone when the scheduler is stopping.
            m_wake.notify_all();
            finished();
            lock.lock();
        }
    }
}

} // namespace lumeno
