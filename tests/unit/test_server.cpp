// The recognition server's library in process: the job scheduler with fake tasks.

#include "JobScheduler.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>

using namespace lumeno;
using namespace std::chrono_literals;

namespace {

// Long enough to fail instead of hanging, far beyond anything a loaded machine needs.
constexpr auto kPatience = 60s;

// --- Job scheduler -------------------------------------------------------------------------

// Lets tasks wait for the test, and the test for tasks, without sleeping.
class Gate
{
public:
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    bool wait()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

// Counts arrivals; waitFor(n) returns once n have arrived.
class Arrivals
{
public:
    void arrive()
    {
        std::lock_guard lock(m_mutex);
        ++m_count;
        m_changed.notify_all();
    }
    bool waitFor(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_count >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

// The order tasks ran in, by name.
class Log
{
public:
    void add(const std::string &entry)
    {
        std::lock_guard lock(m_mutex);
        m_entries.push_back(entry);
    }
    std::vector<std::string> entries()
    {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_entries;
};

using JobHandle = JobScheduler::JobHandle;

// A first task that posts `pieces` tasks to its own job, each logged as name + index.
JobScheduler::Task splitInto(JobScheduler &scheduler, Log &log, std::string name, int pieces,
                             Gate *before = nullptr)
{
    return [&scheduler, &log, name, pieces, before](const JobHandle &job, unsigned) {
        log.add(name + "0");
        if (before)
            before->wait();
        for (int i = 1; i <= pieces; ++i)
            scheduler.post(job, [&log, name, i](const JobHandle &, unsigned) {
                log.add(name + std::to_string(i));
            });
    };
}

TEST(JobSchedulerTest, JobsTakeTurnsWithTheirPieces)
{
    Log log;
    Gate admitted;
    Arrivals finished;
    {
        JobScheduler scheduler({1, 4, 0});
        ASSERT_TRUE(scheduler.admit(splitInto(scheduler, log, "a", 4, &admitted),
                                    [&] { finished.arrive(); }));
        // Arrives while the first job is being split: it waits for one piece, not for all.
        ASSERT_TRUE(scheduler.admit(splitInto(scheduler, log, "b", 2), [&] { finished.arrive(); }));
        admitted.open();
        ASSERT_TRUE(finished.waitFor(2));
    }
    EXPECT_EQ(log.entries(),
              (std::vector<std::string>{"a0", "b0", "a1", "b1", "a2", "b2", "a3", "a4"}));
}

TEST(JobSchedulerTest, AFullQueueRefusesAtOnceWhileASplitJobRuns)
{
    Gate release;
    Arrivals running, finished;
    JobScheduler scheduler({2, 0, 0});
    auto blocked = [&](const JobHandle &, unsigned) {
        running.arrive();
        release.wait();
    };
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            scheduler.post(job, blocked);
            scheduler.post(job, blocked);
        },
        [&] { finished.arrive(); }));
    ASSERT_TRUE(running.waitFor(2));
    // The split job holds both workers; a second job may still be admitted, a third not.
    ASSERT_TRUE(scheduler.admit([](const JobHandle &, unsigned) {}, [&] { finished.arrive(); }));
    bool thirdRan = false;
    EXPECT_FALSE(scheduler.admit([&](const JobHandle &, unsigned) { thirdRan = true; },
                                 [&] { thirdRan = true; }));
    release.open();
    ASSERT_TRUE(finished.waitFor(2));
    EXPECT_FALSE(thirdRan);
    // Room again once the jobs are done.
    EXPECT_TRUE(scheduler.admit([](const JobHandle &, unsigned) {}, [] {}));
}

TEST(JobSchedulerTest, ACancelledJobEndsOnceItsRunningTasksReturnAndFreesTheWorkers)
{
    Gate release, finishedGate;
    Arrivals running;
    std::atomic<int> ran = 0;
    std::atomic<bool> finishedEarly = false;
    std::atomic<int> returned = 0;
    JobScheduler scheduler({2, 0, 0});
    JobHandle handle;
    auto piece = [&](const JobHandle &, unsigned) {
        ++ran;
        running.arrive();
        release.wait();
        ++returned;
    };
    handle = scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            for (int i = 0; i < 10; ++i)
                scheduler.post(job, piece);
        },
        [&] {
            finishedEarly = returned < 2;
            finishedGate.open();
        });
    ASSERT_TRUE(handle);
    ASSERT_TRUE(running.waitFor(2));
    scheduler.cancel(handle);
    release.open();
    ASSERT_TRUE(finishedGate.wait());
    EXPECT_FALSE(finishedEarly);
    EXPECT_EQ(ran, 2); // the eight that waited were dropped

    // Both workers are free: two tasks of a new job meet.
    Arrivals met;
    Gate done;
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            for (int i = 0; i < 2; ++i)
                scheduler.post(job, [&](const JobHandle &, unsigned) {
                    met.arrive();
                    met.waitFor(2);
                });
        },
        [&] { done.open(); }));
    EXPECT_TRUE(done.wait());
}

TEST(JobSchedulerTest, AJobKeepsToItsShareOfTheWorkers)
{
    std::atomic<int> runningA = 0, mostA = 0;
    Arrivals startedA, finished;
    Gate releaseA, ranB;
    JobScheduler scheduler({3, 2, 2});
    auto pieceOfA = [&](const JobHandle &, unsigned) {
        const int now = ++runningA;
        for (int most = mostA; now > most && !mostA.compare_exchange_weak(most, now);) {
        }
        startedA.arrive();
        releaseA.wait();
        --runningA;
    };
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            for (int i = 0; i < 6; ++i)
                scheduler.post(job, pieceOfA);
        },
        [&] { finished.arrive(); }));
    ASSERT_TRUE(startedA.waitFor(2));
    // Four pieces of the first job still wait, yet the third worker is free for another job.
    ASSERT_TRUE(scheduler.admit([&](const JobHandle &, unsigned) { ranB.open(); },
                                [&] { finished.arrive(); }));
    EXPECT_TRUE(ranB.wait());
    releaseA.open();
    ASSERT_TRUE(finished.waitFor(2));
    EXPECT_EQ(mostA, 2);
}

TEST(JobSchedulerTest, StoppingRunsEveryAdmittedJobToItsEnd)
{
    Log log;
    Arrivals finished;
    {
        JobScheduler scheduler({2, 8, 0});
        for (const char *name : {"a", "b", "c"})
            ASSERT_TRUE(
                scheduler.admit(splitInto(scheduler, log, name, 3), [&] { finished.arrive(); }));
    }
    EXPECT_TRUE(finished.waitFor(3));
    EXPECT_EQ(log.entries().size(), 12u);
}

} // namespace
