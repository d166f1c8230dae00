#pragma once

#include <chrono>
#include <stop_token>
#include <thread>
#include <vector>

// Keeps every core of the machine busy with spinning threads, so that other processes (a
// compositor, its clients) get the processor late, as on a machine running a build. The
// threads stop on destruction, or by themselves once `bound` has passed.
class BusyCores {
 public:
  explicit BusyCores(std::chrono::seconds bound);

 private:
  std::vector<std::jthread> threads;
};
