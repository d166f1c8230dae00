#include "support/BusyCores.h"

#include <algorithm>
#include <atomic>

BusyCores::BusyCores(std::chrono::seconds bound) {
  const auto until = std::chrono::steady_clock::now() + bound;
  const unsigned count = std::max(1U, std::thread::hardware_concurrency());
  for (unsigned i = 0; i < count; ++i) {
    threads.emplace_back([until](const std::stop_token& stop) {
      std::atomic<unsigned long> spins{0};
      while (!stop.stop_requested() && std::chrono::steady_clock::now() < until) {
        spins.fetch_add(1, std::memory_order_relaxed);
      }
    });
  }
}
