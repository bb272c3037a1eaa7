// Passes over many tracks split into fixed parts that run at once where the machine has the
// cores: the parts depend on the count of tracks alone, so every machine adds up the same bits.
#pragma once

#include <thread>
#include <utility>

#include "data/at_once.h"

namespace zirt::diagnostics_detail {

// Below this many tracks a pass is one part: starting a thread costs more than it saves.
inline constexpr int kPartsFrom = 4096;
inline constexpr int kParts = 2;

// How many parts a pass over n tracks is split into.
inline int PartsOf(int n) {
  return n >= kPartsFrom ? kParts : 1;
}

// Where part `part` of `parts` parts of [0, n) starts.
inline int PartStart(int n, int parts, int part) {
  return int(static_cast<long long>(n) * part / parts);
}

// Runs work(part, from, to) for every one of `parts` parts of [0, n), part 0 on the calling
// thread, the others on threads of their own where the machine has more than one core and the
// system gives threads. What a part throws is thrown here once every part has ended.
template <typename Work>
void InParts(int n, int parts, Work&& work) {
  if (parts == 1) {
    work(0, 0, n);
    return;
  }
  RunAtOnce(parts, std::thread::hardware_concurrency() > 1, [&](int part) {
    work(part, PartStart(n, parts, part), PartStart(n, parts, part + 1));
  });
}

// The same in as many parts as PartsOf(n).
template <typename Work>
void InParts(int n, Work&& work) {
  InParts(n, PartsOf(n), std::forward<Work>(work));
}

}  // namespace zirt::diagnostics_detail
