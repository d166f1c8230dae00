#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "tern/OwnerThread.h"

// Desktop notifications through the desktop's notification server (the toolkit's notification
// messages, libnotify on GTK), shown without ever waiting for the server: a worker thread of its
// own, started with the first notice, talks to it, so that a server that is missing, slow or
// hung holds up nothing on the UI thread. A notice the server refuses is dropped unseen.
class DesktopNotices {
 public:
  // At most this many notices wait for a server that does not answer; later ones are dropped.
  static constexpr std::size_t waitingAtMost = 8;

  DesktopNotices() = default;
  // Joins the worker, which may wait for the server's answer to the notice it is showing. UI
  // thread only.
  ~DesktopNotices();
  DesktopNotices(const DesktopNotices&) = delete;
  DesktopNotices& operator=(const DesktopNotices&) = delete;

  // Shows a notice with a title and a body (UTF-8). UI thread only.
  void show(std::string title, std::string body);

 private:
  // The worker's loop: shows the waiting notices until the owner goes. Worker thread.
  void work();

  const Tern::OwnerThread uiThread;
  std::mutex lock;
  std::condition_variable wake;
  // Guarded by lock.
  std::deque<std::pair<std::string, std::string>> waiting;
  bool ending = false;
  std::thread worker;
};
