#include "app/CopyChannel.h"

#include <wx/event.h>
#include <wx/evtloop.h>
#include <wx/timer.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <map>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// A later copy waits this long for the first to answer: one busy with a save still answers.
constexpr auto answerTimeout = std::chrono::seconds(5);
// How soon a copy still loading its project, or too busy to take a call, is asked again.
constexpr auto startingRetry = std::chrono::milliseconds(100);
// A caller has this long to make its request once connected; one that says nothing is let go.
constexpr int requestTimeoutMs = 2000;
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

timeval timevalOf(std::chrono::milliseconds span) {
  const auto ms = std::max<long long>(span.count(), 1);
  return {static_cast<time_t>(ms / 1000), static_cast<suseconds_t>((ms % 1000) * 1000)};
}

// What one call came to: besides a reply, a copy too busy to take the call or one that closed
// it unanswered, either of which is called once more.
struct Attempt {
  CopyChannel::Reply reply;
  bool refused = false;
};

Attempt askOnce(const ChannelAddress& where, const ChannelProtocol::Request& request, Clock::time_point deadline) {
  using Outcome = CopyChannel::Reply::Outcome;
  const Socket socket;
  sockaddr_un address{};
  const socklen_t length = where.fill(address);
  // A copy whose queue of callers is full keeps connect waiting: no longer than the deadline.
  const timeval wait = timevalOf(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
  ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  int connected = ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), length);
  while (connected != 0 && errno == EINTR) {
    connected = ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), length);
  }
  if (connected != 0) {
    if (errno == EAGAIN || errno == EINPROGRESS) return {{Outcome::noAnswer, {}}, true};
    return {{Outcome::noCopy, {}}, false};
  }
  // Another user's socket under the name is no copy of ours, whatever it would answer.
  if (!sameUser(socket.get())) return {{Outcome::noCopy, {}}, false};
  if (!sendAll(socket.get(), ChannelProtocol::formatRequest(request))) return {{Outcome::noAnswer, {}}, true};
  std::string received;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd entry{socket.get(), POLLIN, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(left, 0)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return {{Outcome::noAnswer, {}}, false};
    char buffer[4096];
    const ssize_t n = ::recv(socket.get(), buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {{Outcome::noAnswer, {}}, received.empty()};
    if (n == 0) break;
    received.append(buffer, static_cast<std::size_t>(n));
    // A raise answer is one byte, and its copy may keep the connection open after it.
    if (request.verb == ChannelProtocol::Verb::raise) break;
  }
  const auto answer = ChannelProtocol::parseAnswer(request.verb, received);
  if (!answer) return {{Outcome::noAnswer, {}}, received.empty()};
  return {{Outcome::answered, *answer}, false};
}

// The socket file a copy left behind when it crashed: no one listens there any more, and the
// name is free again once it is gone. A file where a copy listens is left to it.
void removeLeftover(const ChannelAddress& where) {
  struct stat status {};
  if (!where.onDisk() || ::lstat(where.path().c_str(), &status) != 0 || !S_ISSOCK(status.st_mode)) return;
  const Socket probe;
  sockaddr_un address{};
  const socklen_t length = where.fill(address);
  if (::connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 && errno == ECONNREFUSED) {
    ::unlink(where.path().c_str());
  }
}

}  // namespace

// One caller: its request is read as it arrives, without holding up the event loop, and the
// caller is let go when it says nothing for a while.
class CopyChannel::Connection final : public wxEventLoopSourceHandler, private wxTimer {
 public:
  Connection(int accepted, Listener& owner);

  void OnReadWaiting() override;
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override { finish(); }

 private:
  // The caller's time to make its request has passed.
  void Notify() override { finish(); }
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
  Listener(const ChannelAddress& where, Answerer answerer) : address(where), answer(std::move(answerer)) {
    removeLeftover(address);
    sockaddr_un raw{};
    const socklen_t length = address.fill(raw);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&raw), length) != 0) fail();
    struct stat status {};
    if (address.onDisk() && ::stat(address.path().c_str(), &status) == 0) bound = status;
    // As many callers as the system allows may wait to be taken; each is taken at once.
    if (::listen(socket.get(), SOMAXCONN) != 0 || ::fcntl(socket.get(), F_SETFL, O_NONBLOCK) != 0) {
      const int error = errno;
      removeOwnFile();
      errno = error;
      fail();
    }
  }
  ~Listener() override { removeOwnFile(); }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  [[nodiscard]] int fd() const { return socket.get(); }

  void OnReadWaiting() override {
    for (;;) {
      const int caller = ::accept4(socket.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (caller < 0 && errno == EINTR) continue;
      // Nobody else waits, or no descriptor is left until callers are let go.
      if (caller < 0) return;
      if (!sameUser(caller)) {
        ::close(caller);
        continue;
      }
      auto connection = std::make_unique<Connection>(caller, *this);
      Connection* key = connection.get();
      connections.emplace(key, std::move(connection));
    }
  }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

  ChannelProtocol::Answer answerFor(const ChannelProtocol::Request& request) { return answer(request); }

  // The connection's own call is still on the stack: it goes once that has returned.
  void done(Connection* connection) {
    CallAfter([this, connection] { connections.erase(connection); });
  }

 private:
  [[noreturn]] void fail() const {
    throw std::system_error(errno, std::generic_category(), "cannot listen at " + address.describe());
  }

  // The socket file goes with the listener, unless another has taken the name since.
  void removeOwnFile() const {
    struct stat status {};
    if (bound && ::lstat(address.path().c_str(), &status) == 0 && status.st_dev == bound->st_dev &&
        status.st_ino == bound->st_ino) {
      ::unlink(address.path().c_str());
    }
  }

  const ChannelAddress address;
  Socket socket;
  Answerer answer;
  std::optional<struct stat> bound;
  std::map<Connection*, std::unique_ptr<Connection>> connections;
};

CopyChannel::Connection::Connection(int accepted, Listener& owner)
    : listener(owner), socket(accepted),
      source(wxEventLoopBase::AddSourceForFD(accepted, this, wxEVENT_SOURCE_INPUT)) {
  if (!source) {
    finish();
    return;
  }
  StartOnce(requestTimeoutMs);
}

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
  // Answering may run a nested event loop (a message shown): this connection is heard no more,
  // and its time runs out no more.
  source.reset();
  Stop();
  const auto request = ChannelProtocol::parseRequest(received);
  const ChannelProtocol::Verb verb = request ? request->verb : ChannelProtocol::Verb::list;
  const ChannelProtocol::Answer answer =
      request ? listener.answerFor(*request) : ChannelProtocol::Answer{ChannelProtocol::Status::notUnderstood, {}};
  // The answer may be long; a caller that does not read it holds the loop up for a moment only.
  const int flags = ::fcntl(socket.get(), F_GETFL);
  ::fcntl(socket.get(), F_SETFL, flags & ~O_NONBLOCK);
  const timeval timeout = timevalOf(std::chrono::milliseconds(sendTimeoutMs));
  ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  // A caller that left already is no concern of ours.
  [[maybe_unused]] const bool sent = sendAll(socket.get(), ChannelProtocol::formatAnswer(verb, answer));
  finish();
}

void CopyChannel::Connection::finish() {
  if (finished) return;
  finished = true;
  Stop();
  source.reset();
  listener.done(this);
}

CopyChannel::CopyChannel(const ChannelAddress& address, Answerer answer)
    : listener(std::make_unique<Listener>(address, std::move(answer))),
      source(wxEventLoopBase::AddSourceForFD(listener->fd(), listener.get(), wxEVENT_SOURCE_INPUT)) {
  uiThread.assertCurrent("CopyChannel::CopyChannel");
  if (!source) throw std::system_error(EINVAL, std::generic_category(), "cannot watch " + address.describe());
}

// The source goes before the listener it calls.
CopyChannel::~CopyChannel() {
  uiThread.assertCurrent("CopyChannel::~CopyChannel");
  source.reset();
}

CopyChannel::Reply CopyChannel::ask(const ChannelAddress& address, const ChannelProtocol::Request& request) {
  const auto deadline = Clock::now() + answerTimeout;
  bool calledAgain = false;
  try {
    for (;;) {
      const Attempt attempt = askOnce(address, request, deadline);
      const Reply& reply = attempt.reply;
      const bool starting =
          reply.outcome == Reply::Outcome::answered && reply.answer.status == ChannelProtocol::Status::starting;
      if (attempt.refused && !calledAgain) {
        calledAgain = true;
      } else if (!starting) {
        return reply;
      }
      if (Clock::now() + startingRetry >= deadline) return {Reply::Outcome::noAnswer, {}};
      std::this_thread::sleep_for(startingRetry);
    }
  } catch (const std::system_error&) {
    return {Reply::Outcome::noAnswer, {}};
  }
}
