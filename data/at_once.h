// Work split into parts that run at once: the first on the calling thread, each other one on a
// thread of its own while the system gives threads.
#pragma once

#include <exception>
#include <thread>
#include <vector>

namespace zirt {

// Runs work(0) … work(count − 1): work(0) on the calling thread, the others on threads of
// their own where `threads` allows it and the system gives them, or else on the calling thread
// after work(0). What a part throws is thrown here once every part has ended.
template <typename Work>
void RunAtOnce(int count, bool threads, Work&& work) {
  std::vector<std::exception_ptr> failed(static_cast<std::size_t>(count > 0 ? count : 0));
  const auto run = [&](int part) {
    try {
      work(part);
    } catch (...) {
      failed[static_cast<std::size_t>(part)] = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  int started = 1;
  if (threads) {
    for (; started < count; ++started) {
      try {
        helpers.emplace_back(run, started);
      } catch (...) {
        break;  // No thread to be had: the calling thread does the rest.
      }
    }
  }
  if (count > 0) run(0);
  for (int part = started; part < count; ++part) run(part);
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& e : failed)
    if (e) std::rethrow_exception(e);
}

}  // namespace zirt
