#include "support/SlowClient.h"

#include <stdexcept>

#include "support/WaylandServer.h"

SlowClient::SlowClient(const WaylandServer& server)
    : child(server.spawn({SLOW_CLIENT_PATH}, ChildProcess::Output::capture)) {
  if (child.readLine(Clock::now() + patience) != "shown") throw std::runtime_error("the slow client was not shown in time");
}

void SlowClient::waitForFocus() {
  if (child.readLine(Clock::now() + patience) != "ready") {
    throw std::runtime_error("the slow client got no keyboard focus in time");
  }
}

SlowClient::Result SlowClient::finish() {
  const auto line = child.readLine(Clock::now() + patience);
  Result result;
  if (line && line->starts_with("received ")) {
    result.received = line->substr(9);
    result.count = result.received.size();
  } else if (line && line->starts_with("disconnected ")) {
    result.count = std::stoul(line->substr(13));
    result.disconnected = true;
  } else {
    throw std::runtime_error("the slow client reported no end in time");
  }
  return result;
}

std::string SlowClient::Result::faultAgainst(const std::string& typed) const {
  if (disconnected) {
    return "cut off after " + std::to_string(count) + " of " + std::to_string(typed.size()) + " characters";
  }
  if (received != typed) return "received " + std::to_string(received.size()) + " characters: " + received;
  return {};
}
