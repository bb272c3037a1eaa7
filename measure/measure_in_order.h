// Measuring a run's images on up to two threads while telling progress and failures in the
// images' order, shared by the pattern, scene and board roads of zirt-measure.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "measure/measure_outputs.h"
#include "measure/stop_signals.h"

namespace zirt {

// A stop signal taken while measuring ends the process at once: nothing is written yet, and
// only the folders made are removed. The threads may be deep in a finder; nothing to keep.
inline void ExitIfStopped(MadeFolders& made, std::ostream& err) {
  if (const int signal = TakeStopSignal()) {
    err << "zirt-measure: stopped by " << StopSignalName(signal) << "; nothing written"
        << std::endl;
    made.RemoveEmpty();
    std::_Exit(128 + signal);
  }
}

// Measures every image of `images` by `measure_one(image, result)` on up to two threads (the
// machines this runs on have two cores or more; a third photograph in memory would only add
// to the peak). Progress and failures are told in the images' order, as soon as an image and
// all before it are done. `Result` has `bool done` and `std::string error`.
template <typename Result, typename MeasureOne>
std::vector<Result> MeasureInOrder(const std::vector<std::string>& images, bool progress,
                                   MeasureOne measure_one, MadeFolders& made, std::ostream& out,
                                   std::ostream& err) {
  const std::size_t count = images.size();
  std::vector<Result> results(count);
  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0;
  const auto work = [&] {
    while (true) {
      std::size_t k;
      {
        std::lock_guard lock(mutex);
        if (next == count) return;
        k = next++;
      }
      Result result;
      measure_one(images[k], result);
      result.done = true;
      std::lock_guard lock(mutex);
      results[k] = std::move(result);
      changed.notify_one();
    }
  };
  std::vector<std::thread> workers;
  for (std::size_t t = 0; t < std::min<std::size_t>(2, count); ++t) workers.emplace_back(work);
  for (std::size_t told = 0; told < count;) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, std::chrono::milliseconds(50));
    for (; told < count && results[told].done; ++told) {
      if (!results[told].error.empty()) err << "zirt-measure: " << results[told].error << "\n";
      if (progress) out << told + 1 << "/" << count << " " << images[told] << std::endl;
    }
    lock.unlock();
    ExitIfStopped(made, err);
  }
  for (std::thread& worker : workers) worker.join();
  return results;
}

}  // namespace zirt
