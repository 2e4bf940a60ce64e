#include "relay/lateness.h"

#include <stdio.h>
#include <string.h>

namespace relay {

void LatenessRecord::add(int64_t lateNs) {
  if (lateNs < 0) lateNs = 0;  // sent before its deadline cannot happen; a clock's rounding can
  int64_t slot = lateNs / SLOT_NS;
  slots_[slot < SLOTS ? slot : SLOTS - 1]++;
  if (count_ == 0 || lateNs > max_) max_ = lateNs;
  count_++;
}

int64_t LatenessRecord::percentileNs(double share) const {
  if (count_ == 0) return 0;
  // The rank of the bundle at `share`, counted from 1.
  uint64_t rank = static_cast<uint64_t>(share * static_cast<double>(count_) + 0.999999);
  if (rank < 1) rank = 1;
  if (rank > count_) rank = count_;
  uint64_t seen = 0;
  for (int i = 0; i < SLOTS; ++i) {
    seen += slots_[i];
    if (seen >= rank) {
      int64_t edge = int64_t(i + 1) * SLOT_NS;
      return i == SLOTS - 1 || edge > max_ ? max_ : edge;
    }
  }
  return max_;
}

void LatenessRecord::clear() {
  memset(slots_, 0, sizeof slots_);
  count_ = 0;
  max_ = 0;
}

std::string LatenessRecord::line() const {
  char text[160];
  snprintf(text, sizeof text, "bundles %llu p50_us %lld p99_us %lld max_us %lld",
           static_cast<unsigned long long>(count_), static_cast<long long>(percentileNs(0.50) / 1000),
           static_cast<long long>(percentileNs(0.99) / 1000), static_cast<long long>(max_ / 1000));
  return text;
}

}  // namespace relay
