// The messages a link has received, waiting for the game: every backend hands them out the
// same way, the oldest first, its bytes kept until the next call.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <deque>
#include <mutex>
#include <vector>

// Moves the oldest of `received` into `handedOut` and points the game at it. `lock`, when
// the backend's threads fill `received`, guards it. False when nothing waits.
bool handOutOldest(std::deque<std::vector<uint8_t>>& received, std::mutex* lock,
                   std::vector<uint8_t>& handedOut, const uint8_t** data, size_t* size);
