#include "app/RaiseChannel.h"

#include <wx/evtloop.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <system_error>
#include <utility>

namespace {

// A second copy waits this long for the first to answer: one busy with a save still answers.
constexpr int answerTimeoutMs = 5000;

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

// An abstract address: nothing on disk to clean up after a crash, and private to this user's
// copies by the user id in its name.
socklen_t addressFor(const std::string& name, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  const std::string path = "Zentak/" + std::to_string(::getuid()) + "/" + name;
  const std::size_t length = std::min(path.size(), sizeof address.sun_path - 1);
  path.copy(address.sun_path + 1, length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

}  // namespace

class RaiseChannel::Listener final : public wxEventLoopSourceHandler {
 public:
  Listener(const std::string& name, std::function<bool()> raiseWindow) : raise(std::move(raiseWindow)) {
    sockaddr_un address{};
    const socklen_t length = addressFor(name, address);
    if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        ::listen(socket.get(), 4) != 0) {
      throw std::system_error(errno, std::generic_category(), "cannot listen for a second copy");
    }
  }

  [[nodiscard]] int fd() const { return socket.get(); }

  void OnReadWaiting() override {
    const Socket caller(::accept4(socket.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (caller.get() < 0) return;
    const char answer = raise() ? '1' : '0';
    // The caller waits for one byte; one that left already is no concern of ours.
    [[maybe_unused]] const ssize_t sent = ::send(caller.get(), &answer, 1, MSG_NOSIGNAL);
  }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

 private:
  Socket socket;
  std::function<bool()> raise;
};

RaiseChannel::RaiseChannel(const std::string& name, std::function<bool()> raise)
    : listener(std::make_unique<Listener>(name, std::move(raise))),
      source(wxEventLoopBase::AddSourceForFD(listener->fd(), listener.get(), wxEVENT_SOURCE_INPUT)) {
  if (!source) throw std::system_error(EINVAL, std::generic_category(), "cannot watch the socket");
}

// The source goes before the listener it calls.
RaiseChannel::~RaiseChannel() { source.reset(); }

bool RaiseChannel::ask(const std::string& name) {
  try {
    const Socket socket;
    sockaddr_un address{};
    const socklen_t length = addressFor(name, address);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) return false;
    pollfd entry{socket.get(), POLLIN, 0};
    int ready = 0;
    do {
      ready = ::poll(&entry, 1, answerTimeoutMs);
    } while (ready < 0 && errno == EINTR);
    char answer = '0';
    return ready > 0 && ::recv(socket.get(), &answer, 1, 0) == 1 && answer == '1';
  } catch (const std::system_error&) {
    return false;
  }
}
