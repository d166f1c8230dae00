#pragma once

#include <span>
#include <string_view>

// The short help of every editor control, by window id. The popups on F1 and the manual's
// "Controls at a glance" page are both made from help/PopupText.txt when the program is built.
// Any thread.
class PopupTexts {
 public:
  struct Entry {
    int id;
    std::string_view name;
    std::string_view text;
  };

  // Every entry, in the order of the file.
  static std::span<const Entry> all();
  // The text of a control id; empty when the control has none.
  static std::string_view find(int id);
};
