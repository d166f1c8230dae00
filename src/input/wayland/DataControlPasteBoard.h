#pragma once

#include <memory>
#include <string>

#include "input/paste/PasteBoard.h"
#include "tern/OwnerThread.h"

// The clipboard of a Wayland desktop that offers data control (wlroots compositors, KWin), on a
// connection of its own that a worker thread owns and serves for the program's life: the user's
// clipboard, given back after each paste, must keep answering the windows that paste it later.
// Before a paste it reads what the user has on the clipboard, every type of it up to a limit, and
// gives the paste up rather than lose it; an empty clipboard is left empty. Made, used and
// destroyed on the UI thread; destruction stops and joins the worker.
class DataControlPasteBoard final : public PasteBoard {
 public:
  // The most of the user's clipboard kept, all types together, unless told otherwise.
  static constexpr std::size_t clipboardLimit = 16U << 20U;

  // socket: the compositor's socket; empty for $WAYLAND_DISPLAY. limit: the most of the user's
  // clipboard kept; a paste is given up when there is more. Throws WaylandError when there is no
  // compositor or it offers this program no data control, std::system_error when the worker
  // cannot start.
  explicit DataControlPasteBoard(const std::string& socket = {}, std::size_t limit = clipboardLimit);
  ~DataControlPasteBoard() override;
  DataControlPasteBoard(const DataControlPasteBoard&) = delete;
  DataControlPasteBoard& operator=(const DataControlPasteBoard&) = delete;

  // False once the compositor has gone or ended data control.
  [[nodiscard]] bool available() override;
  [[nodiscard]] bool offer(const std::string& text) override;
  void finishPaste() override;

 private:
  struct Worker;
  const Tern::OwnerThread uiThread;
  std::unique_ptr<Worker> worker;
};
