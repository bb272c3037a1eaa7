// Passes over many tracks split into fixed parts that run at once where the machine has the
// cores: the parts depend on the count of tracks alone, so every machine adds up the same bits.
#pragma once

#include <exception>
#include <thread>
#include <utility>
#include <vector>

namespace zirt::diagnostics_detail {

// Below this many tracks a pass is one part: starting a thread costs more than it saves.
inline constexpr int kPartsFrom = 4096;
inline constexpr int kParts = 2;

// How many parts a pass over n tracks is split into.
inline int PartsOf(int n) {
  return n >= kPartsFrom ? kParts : 1;
}

// Runs work(part, from, to) for every one of `parts` parts of [0, n), part 0 on the calling
// thread, the others on threads of their own while there are cores and threads to be had.
// What a part throws is thrown here once every part has ended.
// Where part `part` of `parts` parts of [0, n) starts.
inline int PartStart(int n, int parts, int part) {
  return int(static_cast<long long>(n) * part / parts);
}

template <typename Work>
void InParts(int n, int parts, Work&& work) {
  const auto from = [&](int part) { return PartStart(n, parts, part); };
  if (parts == 1) {
    work(0, 0, n);
    return;
  }
  std::vector<std::exception_ptr> failed(std::size_t(parts), nullptr);
  const auto run = [&](int part) {
    try {
      work(part, from(part), from(part + 1));
    } catch (...) {
      failed[std::size_t(part)] = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  int started = 1;
  if (std::thread::hardware_concurrency() > 1) {
    for (; started < parts; ++started) {
      try {
        helpers.emplace_back(run, started);
      } catch (...) {
        break;  // No thread to be had: the calling thread does the rest.
      }
    }
  }
  run(0);
  for (int part = started; part < parts; ++part) run(part);
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& e : failed)
    if (e) std::rethrow_exception(e);
}

// The same in as many parts as PartsOf(n).
template <typename Work>
void InParts(int n, Work&& work) {
  InParts(n, PartsOf(n), std::forward<Work>(work));
}

}  // namespace zirt::diagnostics_detail
