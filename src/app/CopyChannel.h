#pragma once

#include <wx/evtloopsrc.h>

#include <functional>
#include <memory>
#include <string>

#include "app/ChannelProtocol.h"

// The copy of the program running on a project folder listens on a local socket named after
// that folder; a copy started later asks it, by the requests of ChannelProtocol, to bring its
// window to the front, to list its groups, to run a group or to end its run. Only the same user's
// copies are heard and believed.
class CopyChannel {
 public:
  using Answerer = std::function<ChannelProtocol::Answer(const ChannelProtocol::Request&)>;

  // UI thread only. Listens under name; answer runs on the UI thread, from the event loop, for
  // each request, and what it returns goes back to the asker. Throws std::system_error when the
  // name is taken or no socket can be had.
  CopyChannel(const std::string& name, Answerer answer);
  ~CopyChannel();
  CopyChannel(const CopyChannel&) = delete;
  CopyChannel& operator=(const CopyChannel&) = delete;

  struct Reply {
    enum class Outcome {
      answered,
      // Nobody listens under the name: no copy runs on the project.
      noCopy,
      // The copy gave no answer it could read within a few seconds.
      noAnswer,
    };
    Outcome outcome = Outcome::noCopy;
    ChannelProtocol::Answer answer;
  };

  // Any thread; needs no toolkit. Asks the copy listening under name and waits a few seconds
  // for its answer; a copy still loading its project is asked again meanwhile.
  [[nodiscard]] static Reply ask(const std::string& name, const ChannelProtocol::Request& request);

 private:
  class Connection;
  class Listener;
  std::unique_ptr<Listener> listener;
  std::unique_ptr<wxEventLoopSource> source;
};
