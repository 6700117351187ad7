#pragma once

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// The server's worker threads. cpp-httplib serves one connection per task,
// for as long as the client keeps it alive; with a fixed pool, idle keep-alive
// connections held every worker and new connections waited for the keep-alive
// timeout. This pool keeps `base` workers and starts another whenever a
// connection arrives with none idle, up to `limit`; the extra ones stay for
// later bursts and all are joined at shutdown.
class SimTaskQueue : public httplib::TaskQueue
{
public:
    SimTaskQueue(size_t base, size_t limit);
    ~SimTaskQueue() override;

    void enqueue(std::function<void()> fn) override;
    void shutdown() override;

    size_t threadCount() const;

private:
    void startWorker();
    void work();

    const size_t fLimit;
    mutable std::mutex fMutex;
    std::condition_variable fWake;
    std::deque<std::function<void()>> fJobs;
    std::vector<std::thread> fThreads;
    size_t fIdle = 0;
    bool fStopping = false;
};
