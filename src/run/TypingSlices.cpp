#include "run/TypingSlices.h"

#include <utility>

TypingSlices::TypingSlices(Play player) : play(std::move(player)) {}

void TypingSlices::start(const KeyActions& actions) {
  uiThread.assertCurrent("TypingSlices::start");
  list = actions;
  next = 0;
  typing = true;
}

void TypingSlices::stop() {
  uiThread.assertCurrent("TypingSlices::stop");
  typing = false;
  list.clear();
  next = 0;
}

bool TypingSlices::isTyping() const {
  uiThread.assertCurrent("TypingSlices::isTyping");
  return typing;
}

bool TypingSlices::typeSlice() {
  uiThread.assertCurrent("TypingSlices::typeSlice");
  if (!typing) return false;
  next = play(list, next, Clock::now() + sliceLength);
  if (next < list.size()) return false;
  stop();
  return true;
}
