#include "keys/KeyTokens.h"

#include "keys/KeyCodes.h"

KeyTokens::KeyTokens() {
  table = {
      {"<BACKSPACE>", 8},
      {"<TAB>", 9},
      {"<CLEAR>", 12},
      {"<RETURN>", 13},
      {"<ENTER>", 13},
      {"<PAUSE>", 19},
      {"<ESCAPE>", 27},
      {"<ESC>", 27},
      {"<DEL>", 46},
      {"<DELETE>", 46},
      {"<HOME>", 36},
      {"<LEFT-ARROW>", 37},
      {"<LEFT>", 37},
      {"<UP-ARROW>", 38},
      {"<UP>", 38},
      {"<RIGHT-ARROW>", 39},
      {"<RIGHT>", 39},
      {"<DOWN-ARROW>", 40},
      {"<DOWN>", 40},
      {"<PAGE-UP>", 33},
      {"<PAGE-DOWN>", 34},
      {"<END>", 35},
      {"<SELECT>", 41},
      {"<PRINT>", 44},  // the Print Screen key
      {"<EXECUTE>", 43},
      {"<INS>", 45},
      {"<INSERT>", 45},
      {"<HELP>", 47},
      {"<CANCEL>", 3},
      {"<SPACE>", 32},
      {"<MULTIPLY>", 106},
      {"<ADD>", 107},
      {"<SEPARATOR>", 108},
      {"<SUBTRACT>", 109},
      {"<DECIMAL>", 110},
      {"<DIVIDE>", 111},
      {"<CTRL>", KeyCode::control},
      {"<R-CTRL>", KeyCode::control},
      {"<ALT>", KeyCode::menu},
      {"<R-ALT>", KeyCode::rmenu},
      {"<SHIFT>", KeyCode::shift},
      {"<R-SHIFT>", KeyCode::rshift},
      {"<CTRL-DOWN>", KeyCode::ctrlDown},
      {"<CTRL-UP>", KeyCode::ctrlUp},
      {"<ALT-DOWN>", KeyCode::altDown},
      {"<ALT-UP>", KeyCode::altUp},
      {"<SHIFT-DOWN>", KeyCode::shiftDown},
      {"<SHIFT-UP>", KeyCode::shiftUp},
      {"<CAPS-LOCK>", 20},
      {"<CAPS>", 20},
      {"<NUM-LOCK>", 144},
      {"<NUM>", 144},
      {"<SCROLL-LOCK>", 145},
      {"<SCROLL>", 145},
  };
  for (int n = 1; n <= 24; ++n) {
    table.emplace("<F" + std::to_string(n) + ">", static_cast<std::uint8_t>(KeyCode::f1 + n - 1));
  }
  for (int n = 0; n <= 9; ++n) {
    table.emplace("<KEYPAD" + std::to_string(n) + ">", static_cast<std::uint8_t>(KeyCode::numpad0 + n));
  }
}

std::optional<std::uint8_t> KeyTokens::find(std::string_view token) const {
  const auto it = table.find(token);
  if (it == table.end()) return std::nullopt;
  return it->second;
}
