#include "platform/sdl/startup_phase.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {
std::atomic<int> startupOver{0};
std::mutex startupLock;
std::condition_variable startupEnded;
}  // namespace

void noteStartupOver() {
  if (startupOver.load(std::memory_order_relaxed)) return;  // the loop's every peek: keep it cheap
  std::lock_guard<std::mutex> hold(startupLock);
  startupOver = 1;
  startupEnded.notify_all();
}

void waitForStartupOver(int maxMilliseconds) {
  std::unique_lock<std::mutex> hold(startupLock);
  startupEnded.wait_for(hold, std::chrono::milliseconds(maxMilliseconds), [] { return startupOver.load() != 0; });
}
