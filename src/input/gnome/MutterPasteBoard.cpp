#include "input/gnome/MutterPasteBoard.h"

#include <gio/gunixfdlist.h>
#include <glib-unix.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

#include "input/paste/ClipboardPipe.h"
#include "input/gnome/MutterSession.h"
#include "input/bus/RemoteDesktopSession.h"
#include "keys/WakeUpFd.h"

namespace {

using Clock = ClipboardPipe::Clock;

constexpr const char* service = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* sessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";

// What GTK, Qt and X clients ask for plain text by.
const std::vector<std::string> textTypes = {"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "STRING",
                                            "TEXT"};

// How long a paste is served at most, and how long one transfer may take.
constexpr auto pasteTime = std::chrono::seconds(3);
constexpr auto transferTime = std::chrono::seconds(2);

// Mutter's clipboard manager fetches the text as soon as it is offered (to keep it should its
// owner go), the window at the paste key: a paste is over once the text was fetched twice and
// then asked for no more for a while.
constexpr int fetchesOfAPaste = 2;
constexpr auto quietAfterFetches = std::chrono::milliseconds(300);

GVariant* mimeTypesOption(const std::vector<std::string>& mimeTypes) {
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE("a{sv}"));
  if (!mimeTypes.empty()) {
    GVariantBuilder types;
    g_variant_builder_init(&types, G_VARIANT_TYPE("as"));
    for (const std::string& type : mimeTypes) g_variant_builder_add(&types, "s", type.c_str());
    g_variant_builder_add(&options, "{sv}", "mime-types", g_variant_builder_end(&types));
  }
  return g_variant_new("(a{sv})", &options);
}

}  // namespace

// Mutter's signals as the connection's worker thread takes them off the bus.
struct MutterPasteBoard::Inbox {
  struct Signal {
    std::string member;
    GVariantPtr body;
  };

  std::mutex lock;
  // The session whose signals are wanted.
  std::string path;
  std::deque<Signal> signals;
  WakeUpFd arrived;

  static GDBusMessage* filter(GDBusConnection*, GDBusMessage* message, gboolean incoming, gpointer data) {
    if (incoming == FALSE || g_dbus_message_get_message_type(message) != G_DBUS_MESSAGE_TYPE_SIGNAL) return message;
    const char* interface = g_dbus_message_get_interface(message);
    const char* member = g_dbus_message_get_member(message);
    const char* path = g_dbus_message_get_path(message);
    if (interface == nullptr || member == nullptr || path == nullptr ||
        std::string_view(interface) != sessionInterface) {
      return message;
    }
    const std::string_view name(member);
    if (name != "SelectionTransfer" && name != "SelectionOwnerChanged") return message;
    Inbox& inbox = **static_cast<std::shared_ptr<Inbox>*>(data);
    GVariant* body = g_dbus_message_get_body(message);
    {
      const std::scoped_lock held(inbox.lock);
      if (inbox.path != path || body == nullptr) return message;
      inbox.signals.push_back({std::string(name), GVariantPtr(g_variant_ref(body))});
    }
    inbox.arrived.signal();
    return message;
  }
};

MutterPasteBoard::MutterPasteBoard(MutterSession& remote, std::size_t limit)
    : session(remote), keptLimit(limit), inbox(std::make_shared<Inbox>()) {
  // The filter may run once more after its removal: its copy of the inbox goes with it.
  filter = g_dbus_connection_add_filter(
      session.connection().get(), &Inbox::filter, new std::shared_ptr<Inbox>(inbox),
      [](gpointer data) { delete static_cast<std::shared_ptr<Inbox>*>(data); });
  watch = g_unix_fd_add(
      inbox->arrived.get(), G_IO_IN,
      [](gint, GIOCondition, gpointer board) -> gboolean {
        static_cast<MutterPasteBoard*>(board)->pump();
        return G_SOURCE_CONTINUE;
      },
      this);
}

MutterPasteBoard::~MutterPasteBoard() {
  g_source_remove(watch);
  g_dbus_connection_remove_filter(session.connection().get(), filter);
}

bool MutterPasteBoard::enable() {
  if (!session.isOpen()) return false;
  if (enabledPath == session.path()) return true;
  const std::string path = session.path();
  {
    const std::scoped_lock held(inbox->lock);
    inbox->path = path;
    inbox->signals.clear();
  }
  ownerTypes.clear();
  ownerIsSession = false;
  serving = Serving::nothing;
  const SessionBus& bus = session.connection();
  try {
    const std::string rule =
        "type='signal',interface='" + std::string(sessionInterface) + "',path='" + path + "'";
    bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "AddMatch",
             g_variant_new("(s)", rule.c_str()), "AddMatch");
    // Mutter answers with the clipboard's present owner.
    bus.call(service, path.c_str(), sessionInterface, "EnableClipboard", mimeTypesOption({}), "EnableClipboard");
  } catch (const RemoteDesktopError&) {
    refused = true;
    return false;
  }
  enabledPath = path;
  return true;
}

bool MutterPasteBoard::offer(const std::string& text) {
  uiThread.assertCurrent("MutterPasteBoard::offer");
  if (refused || !enable()) return false;
  // Every signal sent before the answer has been taken off the bus by then.
  session.roundTrip();
  if (!session.isOpen()) return false;
  pump();
  if (!ownerIsSession && !keepUsersClipboard()) return false;
  pasted = text;
  pasteFetches = 0;
  if (!setSelection(textTypes)) return false;
  serving = Serving::paste;
  return true;
}

// Mutter reads one transfer at a time and may still be finishing the last one after its data
// has arrived: a read it calls parallel is asked again after a round trip.
std::optional<ClipboardPipe> MutterPasteBoard::selectionRead(const std::string& mimeType) {
  constexpr int attempts = 5;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    GUnixFDList* rawFds = nullptr;
    GError* rawError = nullptr;
    const GVariantPtr reply(g_dbus_connection_call_with_unix_fd_list_sync(
        session.connection().get(), service, session.path().c_str(), sessionInterface, "SelectionRead",
        g_variant_new("(s)", mimeType.c_str()), G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
        &rawFds, nullptr, &rawError));
    const GErrorPtr error(rawError);
    const GObjectPtr<GUnixFDList> fds(rawFds);
    if (reply && fds) {
      gint32 index = 0;
      g_variant_get(reply.get(), "(h)", &index);
      return std::optional<ClipboardPipe>(std::in_place, g_unix_fd_list_get(fds.get(), index, nullptr));
    }
    if (!error || !g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_LIMITS_EXCEEDED)) return std::nullopt;
    session.roundTrip();
  }
  return std::nullopt;
}

bool MutterPasteBoard::keepUsersClipboard() {
  std::map<std::string, std::string> copy;
  std::size_t total = 0;
  for (const std::string& type : ownerTypes) {
    if (copy.contains(type)) continue;
    const auto pipe = selectionRead(type);
    // A type the owner does not give is left out.
    if (!pipe) continue;
    std::string data;
    const ClipboardPipe::ReadEnd end = pipe->readAll(data, keptLimit - total, Clock::now() + transferTime);
    // Beyond the limit the clipboard could not be given back whole: no paste then.
    if (end == ClipboardPipe::ReadEnd::tooLarge) return false;
    if (end == ClipboardPipe::ReadEnd::failed) continue;
    total += data.size();
    copy.emplace(type, std::move(data));
  }
  if (!ownerTypes.empty() && copy.empty()) return false;
  // An empty clipboard is given back as empty text: once this session's selection is gone,
  // mutter's clipboard manager offers the last text it saved, which may be the pasted one.
  if (ownerTypes.empty()) {
    for (const std::string& type : textTypes) copy.emplace(type, std::string());
  }
  kept = std::move(copy);
  return true;
}

bool MutterPasteBoard::setSelection(const std::vector<std::string>& mimeTypes) {
  try {
    session.connection().call(service, session.path().c_str(), sessionInterface, "SetSelection",
                              mimeTypesOption(mimeTypes), "SetSelection");
  } catch (const RemoteDesktopError&) {
    return false;
  }
  return true;
}

void MutterPasteBoard::finishPaste() {
  uiThread.assertCurrent("MutterPasteBoard::finishPaste");
  if (serving != Serving::paste) return;
  const auto deadline = Clock::now() + pasteTime;
  for (;;) {
    pump();
    const bool fetched = pasteFetches >= fetchesOfAPaste;
    const auto until = fetched ? std::min(deadline, Clock::now() + quietAfterFetches) : deadline;
    if (!awaitSignal(until)) break;
  }
  giveBack();
}

bool MutterPasteBoard::awaitSignal(Clock::time_point until) const {
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return false;
    pollfd arrival{inbox->arrived.get(), POLLIN, 0};
    const int ready = ::poll(&arrival, 1, static_cast<int>(left));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

void MutterPasteBoard::giveBack() {
  pasted.clear();
  std::vector<std::string> types;
  for (const auto& entry : kept) types.push_back(entry.first);
  serving = Serving::user;
  if (!setSelection(types)) serving = Serving::nothing;
}

void MutterPasteBoard::pump() {
  uiThread.assertCurrent("MutterPasteBoard::pump");
  inbox->arrived.drain();
  std::deque<Inbox::Signal> arrived;
  {
    const std::scoped_lock held(inbox->lock);
    arrived.swap(inbox->signals);
  }
  for (const Inbox::Signal& signal : arrived) handle(signal.member, signal.body.get());
}

void MutterPasteBoard::handle(const std::string& member, GVariant* body) {
  if (member == "SelectionTransfer" && g_variant_is_of_type(body, G_VARIANT_TYPE("(su)"))) {
    const gchar* mimeType = nullptr;
    guint32 serial = 0;
    g_variant_get(body, "(&su)", &mimeType, &serial);
    serve(mimeType, serial);
    return;
  }
  if (member != "SelectionOwnerChanged" || !g_variant_is_of_type(body, G_VARIANT_TYPE("(a{sv})"))) return;
  GVariantPtr options(g_variant_get_child_value(body, 0));
  ownerTypes.clear();
  ownerIsSession = false;
  // No mime types: the clipboard has no owner.
  if (GVariantPtr types{g_variant_lookup_value(options.get(), "mime-types", G_VARIANT_TYPE("(as)"))}) {
    GVariantPtr list(g_variant_get_child_value(types.get(), 0));
    gsize count = 0;
    const gchar** names = g_variant_get_strv(list.get(), &count);
    ownerTypes.assign(names, names + count);
    g_free(static_cast<gpointer>(names));
  }
  gboolean isSession = FALSE;
  g_variant_lookup(options.get(), "session-is-owner", "b", &isSession);
  ownerIsSession = isSession != FALSE;
  // The user copied something else: what was kept is theirs no more.
  if (!ownerIsSession && serving == Serving::user) {
    serving = Serving::nothing;
    kept.clear();
  }
}

void MutterPasteBoard::serve(const std::string& mimeType, std::uint32_t serial) {
  const std::string* data = nullptr;
  if (serving == Serving::paste && std::ranges::find(textTypes, mimeType) != textTypes.end()) data = &pasted;
  if (serving == Serving::user) {
    if (const auto found = kept.find(mimeType); found != kept.end()) data = &found->second;
  }
  bool written = false;
  // The pipe is closed before mutter hears that the transfer is done.
  if (data != nullptr) {
    GUnixFDList* rawFds = nullptr;
    const GVariantPtr reply(g_dbus_connection_call_with_unix_fd_list_sync(
        session.connection().get(), service, session.path().c_str(), sessionInterface, "SelectionWrite",
        g_variant_new("(u)", serial), G_VARIANT_TYPE("(h)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &rawFds, nullptr,
        nullptr));
    const GObjectPtr<GUnixFDList> fds(rawFds);
    if (reply && fds) {
      gint32 index = 0;
      g_variant_get(reply.get(), "(h)", &index);
      const ClipboardPipe pipe(g_unix_fd_list_get(fds.get(), index, nullptr));
      written = pipe.writeAll(*data, Clock::now() + transferTime);
    }
  }
  if (written && serving == Serving::paste) ++pasteFetches;
  session.connection().send(service, session.path().c_str(), sessionInterface, "SelectionWriteDone",
                            g_variant_new("(ub)", serial, written ? TRUE : FALSE));
}
