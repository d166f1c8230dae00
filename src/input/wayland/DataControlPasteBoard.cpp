#include "input/wayland/DataControlPasteBoard.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "keys/WakeUpFd.h"
#include "input/wayland/WaylandConnection.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace {

using Clock = std::chrono::steady_clock;
using RegistryPtr = WaylandProxy<wl_registry, wl_registry_destroy>;
using SeatPtr = WaylandProxy<wl_seat, wl_seat_destroy>;
using ManagerPtr = WaylandProxy<zwlr_data_control_manager_v1, zwlr_data_control_manager_v1_destroy>;
using DevicePtr = WaylandProxy<zwlr_data_control_device_v1, zwlr_data_control_device_v1_destroy>;
using SourcePtr = WaylandProxy<zwlr_data_control_source_v1, zwlr_data_control_source_v1_destroy>;

// What a clipboard holds: each type with its data.
using Clip = std::vector<std::pair<std::string, std::shared_ptr<const std::string>>>;

// The types text goes on the clipboard as, for Wayland and X11 windows alike.
constexpr std::array<const char*, 5> textTypes{"text/plain;charset=utf-8", "UTF8_STRING", "TEXT", "STRING",
                                               "text/plain"};
// The window that pastes may fetch the text more than once (GTK fetches when it is offered and
// again at the paste): the paste counts as served once no fetch has come for a while after one.
constexpr auto quietAfterFetch = std::chrono::milliseconds(250);
constexpr auto pasteLimit = std::chrono::seconds(3);
// X11 selection targets that ask the owner to do something rather than hand over data.
constexpr std::array<std::string_view, 5> requestTypes{"SAVE_TARGETS", "TARGETS", "MULTIPLE", "TIMESTAMP", "DELETE"};
// How long the owner of the user's clipboard gets to hand all of it over.
constexpr auto readLimit = std::chrono::seconds(2);

int millisecondsUntil(Clock::time_point when) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

class OwnedFd {
 public:
  explicit OwnedFd(int owned) : fd(owned) {}
  ~OwnedFd() {
    if (fd >= 0) close(fd);
  }
  OwnedFd(const OwnedFd&) = delete;
  OwnedFd& operator=(const OwnedFd&) = delete;
  [[nodiscard]] int get() const { return fd; }

 private:
  int fd;
};

// One fetch being answered: the data goes out as fast as the fetching window reads it.
struct Writer {
  Writer(int owned, std::shared_ptr<const std::string> bytes) : fd(owned), data(std::move(bytes)) {}
  OwnedFd fd;
  std::shared_ptr<const std::string> data;
  std::size_t written = 0;
};

// One clipboard content of ours, the text of a paste or the user's clipboard given back.
struct Source {
  SourcePtr proxy;
  std::shared_ptr<const Clip> clip;
  std::list<Writer>* writers = nullptr;
  int fetches = 0;
  Clock::time_point lastFetch;
  bool cancelled = false;
};

const zwlr_data_control_source_v1_listener sourceListener = {
    [](void* data, zwlr_data_control_source_v1*, const char* type, int fd) {
      auto& source = *static_cast<Source*>(data);
      ++source.fetches;
      source.lastFetch = Clock::now();
      const auto found =
          std::ranges::find_if(*source.clip, [type](const auto& entry) { return entry.first == type; });
      if (found == source.clip->end()) {
        close(fd);
        return;
      }
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      source.writers->emplace_back(fd, found->second);
    },
    [](void* data, zwlr_data_control_source_v1*) { static_cast<Source*>(data)->cancelled = true; },
};

}  // namespace

struct DataControlPasteBoard::Worker {
  enum class Request : std::uint8_t { none, offer, finish, stop };

  Worker(const std::string& socket, std::size_t limit);
  ~Worker();
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;

  // UI thread: hands the worker a request and waits for its answer.
  bool ask(Request what, std::string text = {});

  // The rest runs on the worker thread (or before it starts).
  void run();
  void answer(bool ok);
  void pollOnce(int timeoutMs);
  void serveWriters(const std::vector<pollfd>& ready);
  bool putOnClipboard(const std::string& text);
  [[nodiscard]] std::optional<Clip> readSelection();
  [[nodiscard]] bool pasteServed(Clock::time_point deadline) const;
  void giveClipboardBack();
  std::unique_ptr<Source> makeSource(std::shared_ptr<const Clip> clip);
  void forgetOffer(zwlr_data_control_offer_v1* offer);

  static const wl_registry_listener registryListener;
  static const zwlr_data_control_device_v1_listener deviceListener;
  static const zwlr_data_control_offer_v1_listener offerListener;

  struct DisplayCloser {
    void operator()(wl_display* d) const { wl_display_disconnect(d); }
  };
  // Declared first, so that it closes after every object of the connection.
  std::unique_ptr<wl_display, DisplayCloser> display;
  const std::size_t clipboardLimit;
  RegistryPtr registry;
  SeatPtr seat;
  ManagerPtr manager;
  DevicePtr device;
  // The offers the compositor introduced, with their types, and the one that is the selection.
  std::map<zwlr_data_control_offer_v1*, std::vector<std::string>> offers;
  zwlr_data_control_offer_v1* selection = nullptr;
  // The user's clipboard while a paste of ours, or its copy given back, holds the selection.
  std::shared_ptr<const Clip> saved;
  std::unique_ptr<Source> pasteSource;
  std::unique_ptr<Source> restoreSource;
  std::list<Writer> writers;
  std::optional<Clock::time_point> finishDeadline;

  std::atomic<bool> alive{true};
  WakeUpFd wakeUp;
  std::mutex mutex;
  std::condition_variable answered;
  Request request = Request::none;
  std::string requestText;
  bool done = false;
  bool result = false;
  // Started last, once everything it uses is in place.
  std::thread thread;
};

const wl_registry_listener DataControlPasteBoard::Worker::registryListener = {
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
      auto& w = *static_cast<Worker*>(data);
      const std::string_view kind(interface);
      if (kind == wl_seat_interface.name && !w.seat) {
        w.seat.reset(static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1)));
      } else if (kind == zwlr_data_control_manager_v1_interface.name && !w.manager) {
        // Version 1: the clipboard only, no primary selection.
        w.manager.reset(static_cast<zwlr_data_control_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1)));
      }
    },
    [](void*, wl_registry*, std::uint32_t) {},
};

const zwlr_data_control_device_v1_listener DataControlPasteBoard::Worker::deviceListener = {
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
      auto& w = *static_cast<Worker*>(data);
      w.offers[offer];
      zwlr_data_control_offer_v1_add_listener(offer, &offerListener, &w);
    },
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
      auto& w = *static_cast<Worker*>(data);
      if (w.selection != offer) w.forgetOffer(std::exchange(w.selection, offer));
    },
    [](void* data, zwlr_data_control_device_v1*) { static_cast<Worker*>(data)->alive = false; },
    [](void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
      static_cast<Worker*>(data)->forgetOffer(offer);
    },
};

const zwlr_data_control_offer_v1_listener DataControlPasteBoard::Worker::offerListener = {
    [](void* data, zwlr_data_control_offer_v1* offer, const char* type) {
      auto& types = static_cast<Worker*>(data)->offers[offer];
      if (std::ranges::find(types, type) == types.end()) types.emplace_back(type);
    },
};

DataControlPasteBoard::Worker::Worker(const std::string& socket, std::size_t limit)
    : display(wl_display_connect(socket.empty() ? nullptr : socket.c_str())), clipboardLimit(limit) {
  if (!display) throw WaylandError("No Wayland compositor to connect to");
  registry.reset(wl_display_get_registry(display.get()));
  wl_registry_add_listener(registry.get(), &registryListener, this);
  if (wl_display_roundtrip(display.get()) < 0) throw WaylandError("The compositor went away");
  if (!seat || !manager) throw WaylandError("The compositor offers this program no data control");
  device.reset(zwlr_data_control_manager_v1_get_data_device(manager.get(), seat.get()));
  zwlr_data_control_device_v1_add_listener(device.get(), &deviceListener, this);
  if (wl_display_roundtrip(display.get()) < 0) throw WaylandError("The compositor refused data control");
  thread = std::thread([this] { run(); });
}

DataControlPasteBoard::Worker::~Worker() {
  {
    const std::scoped_lock lock(mutex);
    request = Request::stop;
  }
  wakeUp.signal();
  if (thread.joinable()) thread.join();
  pasteSource.reset();
  restoreSource.reset();
  for (const auto& entry : offers) zwlr_data_control_offer_v1_destroy(entry.first);
}

bool DataControlPasteBoard::Worker::ask(Request what, std::string text) {
  std::unique_lock lock(mutex);
  request = what;
  requestText = std::move(text);
  done = false;
  wakeUp.signal();
  answered.wait(lock, [this] { return done; });
  return result;
}

void DataControlPasteBoard::Worker::answer(bool ok) {
  {
    const std::scoped_lock lock(mutex);
    result = ok;
    done = true;
  }
  answered.notify_all();
}

void DataControlPasteBoard::Worker::run() {
  // A window that closes its end early must not end the program: the write fails instead.
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
  for (;;) {
    Request taken = Request::none;
    std::string text;
    {
      const std::scoped_lock lock(mutex);
      taken = std::exchange(request, Request::none);
      text = std::move(requestText);
    }
    if (taken == Request::stop) return;
    if (taken == Request::offer) answer(alive && putOnClipboard(text));
    if (taken == Request::finish) finishDeadline = Clock::now() + pasteLimit;
    int timeoutMs = -1;
    if (finishDeadline) {
      if (pasteServed(*finishDeadline)) {
        giveClipboardBack();
        finishDeadline.reset();
        answer(true);
        continue;
      }
      timeoutMs = millisecondsUntil(std::min(*finishDeadline, pasteSource->lastFetch + quietAfterFetch));
      if (pasteSource->fetches == 0) timeoutMs = millisecondsUntil(*finishDeadline);
    }
    pollOnce(timeoutMs);
  }
}

void DataControlPasteBoard::Worker::pollOnce(int timeoutMs) {
  wl_display* d = display.get();
  bool reading = false;
  while (alive && !reading) {
    reading = wl_display_prepare_read(d) == 0;
    if (!reading && wl_display_dispatch_pending(d) < 0) alive = false;
  }
  if (reading) wl_display_flush(d);
  std::vector<pollfd> watched{{wakeUp.get(), POLLIN, 0}, {reading ? wl_display_get_fd(d) : -1, POLLIN, 0}};
  for (const Writer& writer : writers) watched.push_back({writer.fd.get(), POLLOUT, 0});
  const int ready = poll(watched.data(), watched.size(), timeoutMs);
  if (reading) {
    if (ready > 0 && watched[1].revents != 0) {
      if (wl_display_read_events(d) < 0) alive = false;
    } else {
      wl_display_cancel_read(d);
    }
    if (wl_display_dispatch_pending(d) < 0) alive = false;
  }
  if (ready > 0 && (watched[0].revents & POLLIN) != 0) wakeUp.drain();
  if (ready > 0) serveWriters(watched);
}

void DataControlPasteBoard::Worker::serveWriters(const std::vector<pollfd>& ready) {
  auto writer = writers.begin();
  for (std::size_t i = 2; i < ready.size() && writer != writers.end(); ++i) {
    if (ready[i].revents == 0) {
      ++writer;
      continue;
    }
    const ssize_t sent = write(writer->fd.get(), writer->data->data() + writer->written,
                               writer->data->size() - writer->written);
    if (sent > 0) writer->written += static_cast<std::size_t>(sent);
    const bool failed = sent < 0 && errno != EAGAIN && errno != EINTR;
    if (failed || writer->written == writer->data->size()) {
      writer = writers.erase(writer);
    } else {
      ++writer;
    }
  }
}

bool DataControlPasteBoard::Worker::putOnClipboard(const std::string& text) {
  wl_display* d = display.get();
  if (wl_display_roundtrip(d) < 0) return alive = false;
  if (restoreSource && restoreSource->cancelled) {
    // The user copied something since the last paste: that is the clipboard to keep now.
    restoreSource.reset();
    saved.reset();
  }
  if (!saved) {
    auto user = readSelection();
    if (!user) return false;
    saved = std::make_shared<const Clip>(std::move(*user));
  }
  auto clip = std::make_shared<Clip>();
  const auto bytes = std::make_shared<const std::string>(text);
  for (const char* type : textTypes) clip->emplace_back(type, bytes);
  pasteSource = makeSource(std::move(clip));
  zwlr_data_control_device_v1_set_selection(device.get(), pasteSource->proxy.get());
  restoreSource.reset();
  // The paste key goes out on another connection: the compositor must have the text first.
  if (wl_display_roundtrip(d) < 0) return alive = false;
  return true;
}

std::optional<Clip> DataControlPasteBoard::Worker::readSelection() {
  Clip clip;
  if (selection == nullptr) return clip;
  const auto deadline = Clock::now() + readLimit;
  std::size_t total = 0;
  bool unanswered = false;
  for (const std::string& type : offers[selection]) {
    if (std::ranges::find(requestTypes, type) != requestTypes.end()) continue;
    std::array<int, 2> ends{};
    if (pipe2(ends.data(), O_CLOEXEC) != 0) return std::nullopt;
    const OwnedFd readEnd(ends[0]);
    zwlr_data_control_offer_v1_receive(selection, type.c_str(), ends[1]);
    close(ends[1]);
    wl_display_flush(display.get());
    std::string data;
    std::array<char, 65536> chunk{};
    for (;;) {
      pollfd readable{readEnd.get(), POLLIN, 0};
      if (poll(&readable, 1, millisecondsUntil(deadline)) <= 0) {
        // A type its owner does not hand over could not be pasted from it either.
        unanswered = true;
        break;
      }
      const ssize_t got = read(readEnd.get(), chunk.data(), chunk.size());
      if (got == 0) {
        clip.emplace_back(type, std::make_shared<const std::string>(std::move(data)));
        break;
      }
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return std::nullopt;
      total += static_cast<std::size_t>(got);
      // Losing part of the user's clipboard is worse than a character not pasted.
      if (total > clipboardLimit) return std::nullopt;
      data.append(chunk.data(), static_cast<std::size_t>(got));
    }
  }
  // An owner that hands over nothing at all would leave the user an empty clipboard.
  if (unanswered && clip.empty()) return std::nullopt;
  return clip;
}

bool DataControlPasteBoard::Worker::pasteServed(Clock::time_point deadline) const {
  if (!alive || !pasteSource || pasteSource->cancelled || Clock::now() >= deadline) return true;
  return pasteSource->fetches > 0 && Clock::now() >= pasteSource->lastFetch + quietAfterFetch;
}

void DataControlPasteBoard::Worker::giveClipboardBack() {
  if (!alive || !pasteSource || pasteSource->cancelled) {
    // Someone copied during the paste: theirs is the clipboard now.
    pasteSource.reset();
    saved.reset();
    return;
  }
  if (saved->empty()) {
    zwlr_data_control_device_v1_set_selection(device.get(), nullptr);
    // Nothing of ours holds the selection to tell when the user copies: read it afresh next time.
    saved.reset();
  } else {
    restoreSource = makeSource(saved);
    zwlr_data_control_device_v1_set_selection(device.get(), restoreSource->proxy.get());
  }
  pasteSource.reset();
  wl_display_flush(display.get());
}

std::unique_ptr<Source> DataControlPasteBoard::Worker::makeSource(std::shared_ptr<const Clip> clip) {
  auto source = std::make_unique<Source>();
  source->proxy.reset(zwlr_data_control_manager_v1_create_data_source(manager.get()));
  source->clip = std::move(clip);
  source->writers = &writers;
  zwlr_data_control_source_v1_add_listener(source->proxy.get(), &sourceListener, source.get());
  for (const auto& entry : *source->clip) zwlr_data_control_source_v1_offer(source->proxy.get(), entry.first.c_str());
  return source;
}

void DataControlPasteBoard::Worker::forgetOffer(zwlr_data_control_offer_v1* offer) {
  if (offer == nullptr) return;
  offers.erase(offer);
  zwlr_data_control_offer_v1_destroy(offer);
}

DataControlPasteBoard::DataControlPasteBoard(const std::string& socket, std::size_t limit)
    : worker(std::make_unique<Worker>(socket, limit)) {}

DataControlPasteBoard::~DataControlPasteBoard() = default;

bool DataControlPasteBoard::available() {
  uiThread.assertCurrent("DataControlPasteBoard::available");
  return worker->alive;
}

bool DataControlPasteBoard::offer(const std::string& text) {
  uiThread.assertCurrent("DataControlPasteBoard::offer");
  return worker->ask(Worker::Request::offer, text);
}

void DataControlPasteBoard::finishPaste() {
  uiThread.assertCurrent("DataControlPasteBoard::finishPaste");
  worker->ask(Worker::Request::finish);
}
