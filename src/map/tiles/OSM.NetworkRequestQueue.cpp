#include "OSM.NetworkRequestQueue.h"

#include <algorithm>

namespace {

bool SameTile(const TTile &a, const TTile &b)
{
    return a.Zoom == b.Zoom && a.ParameterX == b.ParameterX && a.ParameterY == b.ParameterY;
}

} // namespace

TNetworkRequestThread::TNetworkRequestThread(TNetworkRequestQueue *Owner)
    : FOwner(Owner)
{}

TNetworkRequestThread::~TNetworkRequestThread()
{
    Join();
}

void TNetworkRequestThread::Start()
{
    FThread = std::thread([this] { Execute(); });
}

void TNetworkRequestThread::Join()
{
    if (FThread.joinable())
        FThread.join();
}

void TNetworkRequestThread::Execute()
{
    TTile tile{};
    std::unique_ptr<THttpRequestProps> props;
    while (!FStop && FOwner->TakeTask(this, tile, props)) {
        props->URL = FOwner->TilesProvider().GetTileURL(tile);
        if (!props->Proxy.isEmpty() && !props->Proxy.contains(QLatin1String("http://")))
            props->Proxy.prepend(QLatin1String("http://"));
        auto ms = std::make_unique<QByteArray>();
        QString err;
        bool ok = false;
        try {
            ok = FOwner->RunRequest(*props, *ms, err);
        } catch (const std::exception &e) {
            err = QString::fromUtf8(e.what());
        } catch (...) {
            err = QStringLiteral("unknown error");
        }
        if (!ok)
            ms.reset();
        props.reset();
        FOwner->TaskDone(this, tile, std::move(ms), err);
    }
    FFinished = true; // already set by TakeTask unless told to stop
}

TNetworkRequestQueue::TNetworkRequestQueue(uint32_t MaxTasksPerThread, uint32_t MaxThreads,
                                           TBlockingNetworkRequestFunc RequestFunc,
                                           std::unique_ptr<TTilesProvider> TilesProvider)
    : FMaxTasksPerThread(MaxTasksPerThread)
    , FMaxThreads(MaxThreads)
    , FRequestFunc(std::move(RequestFunc))
    , FTilesProvider(std::move(TilesProvider))
{
    if (!FTilesProvider)
        FTilesProvider = std::make_unique<TDummyTilesProvider>();
    FRequestProps.Cancel = &FDestroying;
}

TNetworkRequestQueue::~TNetworkRequestQueue()
{
    FDestroying = true;
    std::vector<std::unique_ptr<TNetworkRequestThread>> threads;
    {
        std::lock_guard<std::mutex> lock(FCS);
        threads.swap(FThreads);
    }
    for (auto &t : threads)
        t->Terminate();
    // Joined without the lock: a worker may still be waiting for it in TakeTask.
    threads.clear();
}

void TNetworkRequestQueue::RequestTile(const TTile &Tile)
{
    std::vector<std::unique_ptr<TNetworkRequestThread>> finished;
    {
        std::lock_guard<std::mutex> lock(FCS);
        auto same = [&](const TTile &t) { return SameTile(t, Tile); };
        if (std::any_of(FCurrentTasks.begin(), FCurrentTasks.end(), same)
            || std::any_of(FTaskQueue.begin(), FTaskQueue.end(), same))
            return;
        if (!FDumbQueueOrder) {
            // Tiles of a zoom the user has left are not worth fetching.
            while (!FTaskQueue.empty() && FTaskQueue.front().Zoom != Tile.Zoom)
                FTaskQueue.pop_front();
        }
        FTaskQueue.push_back(Tile);
        FNotEmpty = true;

        for (auto it = FThreads.end(); it != FThreads.begin();) {
            --it;
            if ((*it)->Finished()) {
                finished.push_back(std::move(*it));
                it = FThreads.erase(it);
            }
        }
        if (uint64_t(FMaxTasksPerThread) * FThreads.size() < FTaskQueue.size() && FThreads.size() < FMaxThreads) {
            auto t = std::make_unique<TNetworkRequestThread>(this);
            t->Start();
            FThreads.push_back(std::move(t));
        }
    }
    // Joined outside the lock; these have already left their loop.
    finished.clear();
}

void TNetworkRequestQueue::SetCurrentViewRect(const QRect &ViewRect)
{
    // Edges as map pixels, right and bottom exclusive, widened to whole tiles.
    const int left = ViewRect.left() / 256;
    const int top = ViewRect.top() / 256;
    const int right = (ViewRect.left() + ViewRect.width() + 255) / 256;
    const int bottom = (ViewRect.top() + ViewRect.height() + 255) / 256;
    std::lock_guard<std::mutex> lock(FCS);
    FCurrLeft = left;
    FCurrTop = top;
    FCurrRight = right;
    FCurrBottom = bottom;
}

bool TNetworkRequestQueue::TakeTask(TNetworkRequestThread *Sender, TTile &Tile,
                                    std::unique_ptr<THttpRequestProps> &Props)
{
    std::lock_guard<std::mutex> lock(FCS);
    bool taken = false;
    if (FDestroying) {
        Sender->FFinished = true;
        return false;
    }
    if (!FTaskQueue.empty()) {
        if (!FDumbQueueOrder && FCurrRight != 0 && FCurrBottom != 0) {
            for (auto it = FTaskQueue.end(); it != FTaskQueue.begin();) {
                --it;
                const int64_t x = it->ParameterX, y = it->ParameterY;
                if (x >= FCurrLeft && x < FCurrRight && y >= FCurrTop && y < FCurrBottom) {
                    Tile = *it;
                    FTaskQueue.erase(it);
                    taken = true;
                    break;
                }
            }
        }
        if (!taken) {
            Tile = FTaskQueue.front();
            FTaskQueue.pop_front();
            taken = true;
        }
        FCurrentTasks.push_back(Tile);
        Props = FRequestProps.Clone();
    }
    FNotEmpty = !FTaskQueue.empty();
    if (!taken)
        Sender->FFinished = true;
    return taken;
}

void TNetworkRequestQueue::TaskDone(TNetworkRequestThread *, const TTile &Tile, std::unique_ptr<QByteArray> Ms,
                                    const QString &Error)
{
    if (FDestroying)
        return;
    {
        std::lock_guard<std::mutex> lock(FCS);
        auto it = std::find_if(FCurrentTasks.begin(), FCurrentTasks.end(),
                               [&](const TTile &t) { return SameTile(t, Tile); });
        if (it != FCurrentTasks.end())
            FCurrentTasks.erase(it);
        ++FHandingOver;
    }
    if (FGotTileCb)
        FGotTileCb(Tile, std::move(Ms), Error);
    std::lock_guard<std::mutex> lock(FCS);
    --FHandingOver;
}

int TNetworkRequestQueue::QueuedCount() const
{
    std::lock_guard<std::mutex> lock(FCS);
    return int(FTaskQueue.size());
}

int TNetworkRequestQueue::ThreadCount() const
{
    std::lock_guard<std::mutex> lock(FCS);
    return int(std::count_if(FThreads.begin(), FThreads.end(), [](const auto &t) { return !t->Finished(); }));
}

int TNetworkRequestQueue::ActiveCount() const
{
    std::lock_guard<std::mutex> lock(FCS);
    return int(FCurrentTasks.size());
}

bool TNetworkRequestQueue::Idle() const
{
    std::lock_guard<std::mutex> lock(FCS);
    return FTaskQueue.empty() && FCurrentTasks.empty() && FHandingOver == 0;
}
