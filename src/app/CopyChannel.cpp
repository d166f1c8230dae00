#include "app/CopyChannel.h"

#include <wx/event.h>
#include <wx/evtloop.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <map>
#include <system_error>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// A later copy waits this long for the first to answer: one busy with a save still answers.
constexpr auto answerTimeout = std::chrono::seconds(5);
// How soon a copy still loading its project is asked again.
constexpr auto startingRetry = std::chrono::milliseconds(100);
// Callers that connect and say nothing are not kept beyond this many.
constexpr std::size_t mostConnections = 8;
// How long an answer may wait for a caller that reads it slowly.
constexpr int sendTimeoutMs = 2000;

class Socket {
 public:
  Socket() : fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "socket");
  }
  explicit Socket(int accepted) : fd(accepted) {}
  ~Socket() {
    if (fd >= 0) ::close(fd);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;

  [[nodiscard]] int get() const { return fd; }

 private:
  int fd;
};

// An abstract address: nothing on disk to clean up after a crash. Any local user could use the
// name, so both sides check who is at the other end (sameUser).
socklen_t addressFor(const std::string& name, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  const std::string path = "Zentak/" + std::to_string(::getuid()) + "/" + name;
  const std::size_t length = std::min(path.size(), sizeof address.sun_path - 1);
  path.copy(address.sun_path + 1, length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// Whether the process at the other end of a connected socket runs as this user: another user
// must not make this user's copy type, nor answer in its place.
bool sameUser(int fd) {
  ucred peer{};
  socklen_t length = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid();
}

bool sendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// Asks once: the reply, or nothing when the copy answered that it is still starting.
CopyChannel::Reply askOnce(const std::string& name, const ChannelProtocol::Request& request,
                           Clock::time_point deadline) {
  using Outcome = CopyChannel::Reply::Outcome;
  const Socket socket;
  sockaddr_un address{};
  const socklen_t length = addressFor(name, address);
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) return {Outcome::noCopy, {}};
  if (!sameUser(socket.get()) || !sendAll(socket.get(), ChannelProtocol::formatRequest(request))) {
    return {Outcome::noAnswer, {}};
  }
  std::string received;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd entry{socket.get(), POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left, 0)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return {Outcome::noAnswer, {}};
    char buffer[4096];
    const ssize_t n = ::recv(socket.get(), buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {Outcome::noAnswer, {}};
    if (n == 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
    // A raise answer is one byte, and its copy may keep the connection open after it.
    if (request.verb == ChannelProtocol::Verb::raise) break;
  }
  const auto answer = ChannelProtocol::parseAnswer(request.verb, received);
  if (!answer) return {Outcome::noAnswer, {}};
  return {Outcome::answered, *answer};
}

}  // namespace

// One caller: its request is read as it arrives, without holding up the event loop.
class CopyChannel::Connection final : public wxEventLoopSourceHandler {
 public:
  Connection(int accepted, Listener& owner);

  void OnReadWaiting() override;
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override { finish(); }

 private:
  void finish();

  Listener& listener;
  Socket socket;
  std::string received;
  std::unique_ptr<wxEventLoopSource> source;
  // The toolkit may report an error right after the read that finished the connection.
  bool finished = false;
};

class CopyChannel::Listener final : public wxEvtHandler, public wxEventLoopSourceHandler {
 public:
  Listener(const std::string& name, Answerer answerer) : answer(std::move(answerer)) {
    sockaddr_un address{};
    const socklen_t length = addressFor(name, address);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(socket.get(), 4) != 0) {
      throw std::system_error(errno, std::generic_category(), "cannot listen for another copy");
    }
  }

  [[nodiscard]] int fd() const { return socket.get(); }

  void OnReadWaiting() override {
    const int caller = ::accept4(socket.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (caller < 0) return;
    if (!sameUser(caller) || connections.size() >= mostConnections) {
      ::close(caller);
      return;
    }
    auto connection = std::make_unique<Connection>(caller, *this);
    Connection* key = connection.get();
    connections.emplace(key, std::move(connection));
  }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

  ChannelProtocol::Answer answerFor(const ChannelProtocol::Request& request) { return answer(request); }

  // The connection's own call is still on the stack: it goes once that has returned.
  void done(Connection* connection) {
    CallAfter([this, connection] { connections.erase(connection); });
  }

 private:
  Socket socket;
  Answerer answer;
  std::map<Connection*, std::unique_ptr<Connection>> connections;
};

CopyChannel::Connection::Connection(int accepted, Listener& owner)
    : listener(owner), socket(accepted),
      source(wxEventLoopBase::AddSourceForFD(accepted, this, wxEVENT_SOURCE_INPUT)) {}

void CopyChannel::Connection::OnReadWaiting() {
  if (!source) return;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::recv(socket.get(), buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
    if (ChannelProtocol::isComplete(received) || received.size() > ChannelProtocol::longestRequest) break;
  }
  if (!ChannelProtocol::isComplete(received)) {
    finish();
    return;
  }
  // Answering may run a nested event loop (a message shown): this connection is heard no more.
  source.reset();
  const auto request = ChannelProtocol::parseRequest(received);
  const ChannelProtocol::Verb verb = request ? request->verb : ChannelProtocol::Verb::list;
  const ChannelProtocol::Answer answer =
      request ? listener.answerFor(*request) : ChannelProtocol::Answer{ChannelProtocol::Status::notUnderstood, {}};
  // The answer may be long; a caller that does not read it holds the loop up for a moment only.
  const int flags = ::fcntl(socket.get(), F_GETFL);
  ::fcntl(socket.get(), F_SETFL, flags & ~O_NONBLOCK);
  const timeval timeout{sendTimeoutMs / 1000, (sendTimeoutMs % 1000) * 1000};
  ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  // A caller that left already is no concern of ours.
  [[maybe_unused]] const bool sent = sendAll(socket.get(), ChannelProtocol::formatAnswer(verb, answer));
  finish();
}

void CopyChannel::Connection::finish() {
  if (finished) return;
  finished = true;
  source.reset();
  listener.done(this);
}

CopyChannel::CopyChannel(const std::string& name, Answerer answer)
    : listener(std::make_unique<Listener>(name, std::move(answer))),
      source(wxEventLoopBase::AddSourceForFD(listener->fd(), listener.get(), wxEVENT_SOURCE_INPUT)) {
  if (!source) throw std::system_error(EINVAL, std::generic_category(), "cannot watch the socket");
}

// The source goes before the listener it calls.
CopyChannel::~CopyChannel() { source.reset(); }

CopyChannel::Reply CopyChannel::ask(const std::string& name, const ChannelProtocol::Request& request) {
  const auto deadline = Clock::now() + answerTimeout;
  try {
    for (;;) {
      Reply reply = askOnce(name, request, deadline);
      if (reply.outcome != Reply::Outcome::answered || reply.answer.status != ChannelProtocol::Status::starting) {
        return reply;
      }
      if (Clock::now() + startingRetry >= deadline) return {Reply::Outcome::noAnswer, {}};
      std::this_thread::sleep_for(startingRetry);
    }
  } catch (const std::system_error&) {
    return {Reply::Outcome::noAnswer, {}};
  }
}
