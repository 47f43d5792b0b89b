#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lumeno {

// Runs the tasks of admitted jobs on a fixed set of worker threads. A job is one client request;
// its first task may add more (the pieces of the request), and those run on whichever workers
// are free, several at once. Workers take tasks from the jobs in turn, so a request that arrives
// while another is split into many pieces starts at the next free worker instead of waiting
// behind all of them. Admission counts jobs, not tasks: the bound on waiting work is the same
// however finely each request is split.
//
// Jobs also share a memory budget. A job claims the bytes it will need; its next task starts only
// once the claim fits beside what the running jobs hold, and the job holds the claim until it
// ends. A job waiting for memory holds none, so jobs that hold memory are always able to go on
// and give it back.
class JobScheduler
{
public:
    struct Job;
    using JobHandle = std::shared_ptr<Job>;
    // Runs on a worker, as part of `job`; `worker` is that worker's index, below
    // Options::workers, so that tasks can keep per-worker state without locks.
    using Task = std::function<void(const JobHandle &job, unsigned worker)>;

    struct Options
    {
        unsigned workers = 1;
        // Jobs that may be admitted beyond one per worker.
        unsigned queueLimit = 2;
        // Tasks of one job that may run at once; 0 means every worker.
        unsigned perJob = 0;
        // Bytes that the jobs may hold at once; 0 means no budget.
        std::size_t memoryBudget = 0;
    };

    explicit JobScheduler(Options options);
    // Runs every admitted job to its end, then stops the workers.
    ~JobScheduler();
    JobScheduler(const JobScheduler &) = delete;
    JobScheduler &operator=(const JobScheduler &) = delete;

    // Admits a job that starts with `first` once `bytes` of the budget are free (a claim larger
    // than the whole budget is cut down to it, so that the job runs alone). `finished` runs once,
    // on a worker, after the job's last task has returned; by then the job no longer counts
    // against the limit and holds no memory. Null, at once, when workers + queueLimit jobs are
    // already admitted; then neither function is called.
    JobHandle admit(Task first, std::function<void()> finished, std::size_t bytes = 0);
    // Adds a task to the job; dropped when the job was cancelled. Call it from one of the job's
    // own tasks, so that the job cannot finish in between.
    void post(const JobHandle &job, Task task);
    // Drops the job's waiting tasks and refuses new ones; tasks already running finish first.
    void cancel(const JobHandle &job);
    // The job's tasks posted from now on start only once it holds `bytes` of the budget in place
    // of what it held, which it gives back at once. Call it from one of the job's own tasks.
    // False, with nothing changed, when the claim is larger than the whole budget.
    bool claim(const JobHandle &job, std::size_t bytes);

    // Workers that no waiting task has a claim on: tells a job how finely to split its work.
    // Under load it is none, and splitting would only add the cost of the pieces.
    unsigned spareWorkers() const;

private:
    void work(unsigned worker);
    // The first job in turn that may start another task; m_ready.end() when none. Needs the lock.
    std::deque<JobHandle>::iterator nextReady();
    // Whether the job's claim is held or fits beside what the other jobs hold. Needs the lock.
    bool memoryFor(const Job &job) const;
    // Called with the lock held, after a task of the job returned or the job was cancelled.
    std::function<void()> takeFinished(Job &job);

    const Options m_options;
    const unsigned m_perJob;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    // Jobs with waiting tasks, in the order they get their next turn.
    std::deque<JobHandle> m_ready;
    unsigned m_admitted = 0;
    unsigned m_running = 0;
    std::size_t m_memoryHeld = 0;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace lumeno
