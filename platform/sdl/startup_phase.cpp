#include "platform/sdl/startup_phase.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {
std::atomic<int> startupOver{0};
std::mutex startupLock;
std::condition_variable startupEnded;
void (*taskAtEnd)() = nullptr;
}  // namespace

void noteStartupOver() {
  if (startupOver.load()) return;  // the loop's every peek: keep it cheap
  void (*task)() = nullptr;
  {
    std::lock_guard<std::mutex> hold(startupLock);
    task = taskAtEnd;
    taskAtEnd = nullptr;
  }
  if (task) task();  // outside the lock: the task may take locks of its own
  std::lock_guard<std::mutex> hold(startupLock);
  startupOver = 1;
  startupEnded.notify_all();
}

void runWhenStartupIsOver(void (*task)()) {
  {
    std::lock_guard<std::mutex> hold(startupLock);
    if (!startupOver.load()) {
      taskAtEnd = task;
      return;
    }
  }
  task();
}

void waitForStartupOver(int maxMilliseconds) {
  std::unique_lock<std::mutex> hold(startupLock);
  startupEnded.wait_for(hold, std::chrono::milliseconds(maxMilliseconds),
                        [] { return startupOver.load() != 0; });
}
