#pragma once

#include <wx/evtloopsrc.h>

#include <functional>
#include <memory>
#include <string>

// The copy of the program running on a project folder listens on a local socket named after
// that folder; a second copy started there asks it to bring its window to the front, and ends.
class RaiseChannel {
 public:
  // UI thread only. Listens under name; raise runs on the UI thread for each request and says
  // whether the window came to the front. Throws std::system_error when the name is taken or
  // no socket can be had.
  RaiseChannel(const std::string& name, std::function<bool()> raise);
  ~RaiseChannel();
  RaiseChannel(const RaiseChannel&) = delete;
  RaiseChannel& operator=(const RaiseChannel&) = delete;

  // Any thread. Asks the copy listening under name to bring its window to the front; false when
  // none listens, it could not, or it gave no answer within a few seconds.
  [[nodiscard]] static bool ask(const std::string& name);

 private:
  class Listener;
  std::unique_ptr<Listener> listener;
  std::unique_ptr<wxEventLoopSource> source;
};
