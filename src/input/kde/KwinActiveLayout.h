#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tern/OwnerThread.h"

class SessionBus;

// Which of its layouts KWin's keyboard types with, as KWin says on the session bus
// (org.kde.KeyboardLayouts). KWin tells a layout switch to the focused window's keyboard only,
// so a program typing into another window asks. The thread that made it only.
class KwinActiveLayout {
 public:
  // An empty address is the session bus of the environment; without a bus every answer is 0.
  explicit KwinActiveLayout(const std::string& busAddress);
  ~KwinActiveLayout();
  KwinActiveLayout(const KwinActiveLayout&) = delete;
  KwinActiveLayout& operator=(const KwinActiveLayout&) = delete;

  // The active layout's index, counted from 0; 0 when KWin does not answer.
  [[nodiscard]] std::uint32_t current() const;

 private:
  const Tern::OwnerThread owner;
  std::unique_ptr<SessionBus> bus;
};
