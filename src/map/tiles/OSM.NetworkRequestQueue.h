#pragma once

#include "OSM.NetworkRequest.h"
#include "OSM.SlippyMapUtils.h"
#include "OSM.TilesProvider.h"

#include <QRect>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Called on a worker thread with the tile's bytes (null on failure) and an
// error text; the callee owns the bytes.
using TGotTileCallbackBgThr =
    std::function<void(const TTile &Tile, std::unique_ptr<QByteArray> Ms, const QString &Error)>;

class TNetworkRequestQueue;

// One download worker: takes tiles from its queue until none is left, then ends.
class TNetworkRequestThread
{
public:
    explicit TNetworkRequestThread(TNetworkRequestQueue *Owner);
    ~TNetworkRequestThread(); // joins

    void Start();
    void Terminate() { FStop = true; }
    bool Finished() const { return FFinished; }
    void Join();

private:
    friend class TNetworkRequestQueue;

private:
    void Execute();

    TNetworkRequestQueue *FOwner;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FFinished{false};
};

// Missing tiles wait here; up to MaxThreads short-lived workers fetch them,
// tiles inside the current view first.
class TNetworkRequestQueue
{
public:
    // Takes ownership of the provider.
    TNetworkRequestQueue(uint32_t MaxTasksPerThread, uint32_t MaxThreads, TBlockingNetworkRequestFunc RequestFunc,
                         std::unique_ptr<TTilesProvider> TilesProvider);
    // Stops the workers and waits for them; an aborted transfer ends at once,
    // so this never waits longer than the request time-outs.
    ~TNetworkRequestQueue();

    TNetworkRequestQueue(const TNetworkRequestQueue &) = delete;
    TNetworkRequestQueue &operator=(const TNetworkRequestQueue &) = delete;

    // The template every request is cloned from; set it up before the first request.
    THttpRequestProps &RequestProps() { return FRequestProps; }
    void SetOnGotTileBgThr(TGotTileCallbackBgThr Cb) { FGotTileCb = std::move(Cb); }
    bool DumbQueueOrder() const { return FDumbQueueOrder; }
    void SetDumbQueueOrder(bool Value) { FDumbQueueOrder = Value; }
    const TTilesProvider &TilesProvider() const { return *FTilesProvider; }

    // User-interface thread.
    void RequestTile(const TTile &Tile);
    void SetCurrentViewRect(const QRect &ViewRect);

    // Worker threads. When no task is given, the worker is marked finished
    // under the lock, so a tile queued at that moment starts a new worker
    // instead of waiting for one that is about to end.
    bool TakeTask(TNetworkRequestThread *Sender, TTile &Tile, std::unique_ptr<THttpRequestProps> &Props);
    void TaskDone(TNetworkRequestThread *Sender, const TTile &Tile, std::unique_ptr<QByteArray> Ms,
                  const QString &Error);
    bool RunRequest(const THttpRequestProps &Props, QByteArray &Response, QString &ErrMsg) const
    {
        return FRequestFunc(Props, Response, ErrMsg);
    }

    // For tests and diagnostics.
    int QueuedCount() const;
    int ThreadCount() const;
    int ActiveCount() const;
    // Nothing queued, nothing downloading, and no finished download still
    // being handed to the callback.
    bool Idle() const;

private:
    std::deque<TTile> FTaskQueue;
    THttpRequestProps FRequestProps;
    mutable std::mutex FCS;
    std::vector<std::unique_ptr<TNetworkRequestThread>> FThreads;
    std::vector<TTile> FCurrentTasks;
    // Finished downloads whose callback has not returned yet (under FCS).
    int FHandingOver = 0;
    std::atomic<bool> FNotEmpty{false};
    std::atomic<bool> FDestroying{false};
    uint32_t FMaxTasksPerThread;
    uint32_t FMaxThreads;
    TGotTileCallbackBgThr FGotTileCb;
    TBlockingNetworkRequestFunc FRequestFunc;
    std::unique_ptr<TTilesProvider> FTilesProvider;
    bool FDumbQueueOrder = false;
    // Tile columns Left..Right-1 and rows Top..Bottom-1 of the view; all zero until set.
    int FCurrLeft = 0, FCurrTop = 0, FCurrRight = 0, FCurrBottom = 0;
};
