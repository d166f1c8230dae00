#pragma once

#include <wx/evtloopsrc.h>

#include <functional>
#include <memory>
#include <string>

#include "app/ChannelAddress.h"
#include "app/ChannelProtocol.h"
#include "tern/OwnerThread.h"

// The running copy of the program listens on a local socket (see ChannelAddress); a copy started
// later asks it, by the requests of ChannelProtocol, to bring its window to the front, to list its
// groups, to run a group or to end its run. Only the same user's copies are heard and believed.
// Callers that say nothing cannot hold it up: each has a moment to make its request, and any
// number may wait at once.
class CopyChannel {
 public:
  using Answerer = std::function<ChannelProtocol::Answer(const ChannelProtocol::Request&)>;

  // UI thread only. Listens at address; answer runs on the UI thread, from the event loop, for
  // each request, and what it returns goes back to the asker. Throws std::system_error, naming
  // the address, when it is taken or no socket can be had.
  CopyChannel(const ChannelAddress& address, Answerer answer);
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

  // Any thread; needs no toolkit. Asks the copy listening at address and waits a few seconds
  // for its answer; a copy still loading its project is asked again meanwhile, and one too busy
  // to take the call is called once more.
  [[nodiscard]] static Reply ask(const ChannelAddress& address, const ChannelProtocol::Request& request);

 private:
  class Connection;
  class Listener;
  const Tern::OwnerThread uiThread;
  std::unique_ptr<Listener> listener;
  std::unique_ptr<wxEventLoopSource> source;
};
