#include "WevCollect.h"

#include <xkbcommon/xkbcommon.h>

#include "support/WevRecorder.h"

namespace {

bool isModifierKeysym(std::uint32_t keysym) {
  return (keysym >= XKB_KEY_Shift_L && keysym <= XKB_KEY_Hyper_R) ||
         (keysym >= XKB_KEY_ISO_Lock && keysym <= XKB_KEY_ISO_Level5_Lock);
}

}  // namespace

Recording collectWev(WevRecorder& wev) {
  Recording result;
  const auto deadline = Clock::now() + recordingTimeout;
  while (const auto press = wev.nextPress(deadline)) {
    if (press->keysym == XKB_KEY_Escape) {
      result.sawEnd = true;
      break;
    }
    if (press->button != 0 || isModifierKeysym(press->keysym)) continue;
    const std::uint32_t c = press->keysym == XKB_KEY_Return ? enterCodePoint : xkb_keysym_to_utf32(press->keysym);
    result.chars.push_back(c);
    result.lastCharAt = Clock::now();
  }
  return result;
}
