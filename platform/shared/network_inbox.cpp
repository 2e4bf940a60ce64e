#include "platform/shared/network_inbox.h"

bool handOutOldest(std::deque<std::vector<uint8_t>>& received, std::mutex* lock,
                   std::vector<uint8_t>& handedOut, const uint8_t** data, size_t* size) {
  if (!data || !size) return false;
  handedOut.clear();
  {
    std::unique_lock<std::mutex> hold;
    if (lock) hold = std::unique_lock<std::mutex>(*lock);
    if (received.empty()) return false;
    handedOut = std::move(received.front());
    received.pop_front();
  }
  // An empty message still has an address the game may hold.
  static const uint8_t nothing = 0;
  *data = handedOut.empty() ? &nothing : handedOut.data();
  *size = handedOut.size();
  return true;
}
