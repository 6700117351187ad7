#pragma once

#include <atomic>
#include <functional>

// Runs a blocking transfer without freezing the windows. Service calls stay
// synchronous for their callers, but on the user-interface thread of a GUI
// program the transfer itself runs on a worker thread while that thread waits
// in a local loop that lets only painting and resizing through: clicks, keys,
// timers and the tasks they start are held until the transfer has ended, so
// no second service call can start while one is running. Held timer events
// and posted input are delivered after the wait; input from the window
// system stays in its own queue until then.
//
// Elsewhere (a worker thread, a program without windows) the work simply
// runs on the calling thread.
namespace ZtTransferWait {

// Runs work and returns when it has finished. False, without running it,
// when called from inside another transfer's wait (a queued call delivered
// during it): two transfers never overlap.
bool Run(const std::function<void()> &work);

// True while the user-interface thread waits for a transfer.
bool Waiting();

// Raised while a window is being closed during a wait: the transfer watches
// it and ends at once (the call fails); the close itself is carried out
// after the wait, so the program then closes normally. Never null.
const std::atomic<bool> *CancelFlag();

// How long a transfer may take before the wait starts painting: quick
// answers leave the event loop alone.
constexpr int QuietMs = 100;

} // namespace ZtTransferWait
