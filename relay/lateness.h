// How late a relay's bundles leave: for each bundle, the time it was handed to its room's
// connections less the time its tick fell due. A fixed histogram of 50 µs slots up to
// 100 ms, so recording one costs an increment and the record never grows; later ones count
// in the last slot, and the largest is kept exactly.
#pragma once
#include <stdint.h>

#include <string>

namespace relay {

class LatenessRecord {
 public:
  enum { SLOT_NS = 50000, SLOTS = 2000 };

  void add(int64_t lateNs);
  // The lateness that `share` (0 to 1) of the bundles did not exceed, to a slot's width
  // (the slot's upper edge; the largest one itself when it falls in the last slot).
  int64_t percentileNs(double share) const;
  int64_t maxNs() const { return max_; }
  uint64_t count() const { return count_; }
  void clear();
  // "bundles N p50_us X p99_us Y max_us Z": one line for a log or the stats file.
  std::string line() const;

 private:
  uint32_t slots_[SLOTS] = {};
  uint64_t count_ = 0;
  int64_t max_ = 0;
};

}  // namespace relay
