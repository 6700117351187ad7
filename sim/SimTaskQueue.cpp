#include "SimTaskQueue.h"

#include <algorithm>
#include <system_error>

SimTaskQueue::SimTaskQueue(size_t base, size_t limit)
    : fLimit(std::max<size_t>(1, std::max(base, limit)))
{
    std::lock_guard lock(fMutex);
    for (size_t i = 0; i < std::max<size_t>(1, base); ++i)
        startWorker();
}

SimTaskQueue::~SimTaskQueue()
{
    shutdown();
}

void SimTaskQueue::enqueue(std::function<void()> fn)
{
    {
        std::lock_guard lock(fMutex);
        if (fStopping)
            return;
        fJobs.push_back(std::move(fn));
        // Idle workers take the queued jobs first; only the surplus needs a
        // new thread.
        if (fJobs.size() > fIdle && fThreads.size() < fLimit)
            startWorker();
    }
    fWake.notify_one();
}

void SimTaskQueue::shutdown()
{
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(fMutex);
        fStopping = true;
        threads.swap(fThreads);
    }
    fWake.notify_all();
    for (std::thread &t : threads)
        if (t.joinable())
            t.join();
}

size_t SimTaskQueue::threadCount() const
{
    std::lock_guard lock(fMutex);
    return fThreads.size();
}

// Called with fMutex held. When the system refuses another thread, the job
// waits in the queue for a worker that is already there.
void SimTaskQueue::startWorker()
{
    try {
        fThreads.emplace_back([this] { work(); });
        ++fIdle;
    } catch (const std::system_error &) {
    }
}

void SimTaskQueue::work()
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(fMutex);
            fWake.wait(lock, [this] { return fStopping || !fJobs.empty(); });
            // Queued connections are still served at shutdown, as the fixed
            // pool did: cpp-httplib closes their sockets only in the task.
            if (fJobs.empty())
                return;
            job = std::move(fJobs.front());
            fJobs.pop_front();
            --fIdle;
        }
        job();
        std::lock_guard lock(fMutex);
        ++fIdle;
    }
}
