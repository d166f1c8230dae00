#pragma once

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "input/paste/ClipboardPipe.h"
#include "input/bus/GLibPtr.h"
#include "input/paste/PasteBoard.h"
#include "tern/OwnerThread.h"

class MutterSession;

// The clipboard of GNOME's own remote-desktop session (mutter's): pasted text is offered as this
// session's selection and written to each window that fetches it. Before that, the user's
// clipboard is read whole (up to a limit: a larger one is never lost, the paste is given up
// instead) and afterwards offered again from here, for as long as the program lives or until
// the user copies something else; an empty clipboard is given back as empty text. Mutter's
// requests arrive as D-Bus signals, taken off the connection by its worker thread and handled
// on the UI thread: while a paste is served, and otherwise from the default main context, which
// the program's event loop runs. UI thread only.
class MutterPasteBoard final : public PasteBoard {
 public:
  // The largest clipboard kept for the user, unless told otherwise.
  static constexpr std::size_t standardKeptLimit = 16 * 1024 * 1024;

  // session: the typing's session, which outlives the board; its clipboard is enabled at the
  // first offer. keptLimit: the largest clipboard kept for the user, in bytes of all its types.
  explicit MutterPasteBoard(MutterSession& session, std::size_t keptLimit = standardKeptLimit);
  ~MutterPasteBoard() override;
  MutterPasteBoard(const MutterPasteBoard&) = delete;
  MutterPasteBoard& operator=(const MutterPasteBoard&) = delete;

  // Until mutter has refused the session its clipboard.
  [[nodiscard]] bool available() override { return !refused; }
  [[nodiscard]] bool offer(const std::string& text) override;
  // Serves until the text has been fetched twice (by mutter's clipboard manager as it is
  // offered, by the window at the paste key) and no more fetches follow, or a few seconds have
  // passed; then gives the user's clipboard back.
  void finishPaste() override;

 private:
  struct Inbox;
  enum class Serving : std::uint8_t { nothing, paste, user };

  [[nodiscard]] bool enable();
  // Handles the signals that have arrived.
  void pump();
  void handle(const std::string& member, GVariant* body);
  void serve(const std::string& mimeType, std::uint32_t serial);
  // The pipe mutter writes the clipboard's data of a mime type into; nothing when it gives none.
  [[nodiscard]] std::optional<ClipboardPipe> selectionRead(const std::string& mimeType);
  // Reads what the user's clipboard offers; false when it cannot be kept whole.
  [[nodiscard]] bool keepUsersClipboard();
  // Offers the mime types (none: no selection) as this session's selection.
  [[nodiscard]] bool setSelection(const std::vector<std::string>& mimeTypes);
  // Waits for a signal to arrive; false when none has by then.
  [[nodiscard]] bool awaitSignal(ClipboardPipe::Clock::time_point until) const;
  void giveBack();

  const Tern::OwnerThread uiThread;
  MutterSession& session;
  const std::size_t keptLimit;
  std::shared_ptr<Inbox> inbox;
  // Removed on destruction: the connection's filter filling the inbox, and the default main
  // context's watch of it.
  guint filter = 0;
  guint watch = 0;
  // The session whose clipboard is enabled.
  std::string enabledPath;
  bool refused = false;
  // The clipboard's owner as mutter last told: its mime types, and whether it is this session.
  std::vector<std::string> ownerTypes;
  bool ownerIsSession = false;
  Serving serving = Serving::nothing;
  std::string pasted;
  // The user's clipboard by mime type, while it is offered from here.
  std::map<std::string, std::string> kept;
  int pasteFetches = 0;
};
