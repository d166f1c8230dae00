#include "keys/SpareKeyBindings.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

SpareKeyBindings::SpareKeyBindings(Clock::duration settleTime) : settle(settleTime) {}

void SpareKeyBindings::setLevels(std::size_t count) {
  levels = std::min(count, maxLevels);
  for (std::size_t code = 0; code < boundCodes.size(); ++code) {
    for (auto level = static_cast<std::uint8_t>(levels); level < maxLevels && boundCodes.test(code); ++level) {
      unbindLevel(static_cast<Keycode>(code), level);
    }
  }
}

void SpareKeyBindings::setSpare(const Keycodes& spare) { spareCodes = spare | boundCodes; }

std::optional<SpareKeyBindings::Place> SpareKeyBindings::find(Keysym keysym) const {
  if (const auto found = placeOf.find(keysym); found != placeOf.end()) {
    return found->second;
  }
  return std::nullopt;
}

SpareKeyBindings::Keycodes SpareKeyBindings::bindAhead(std::span<const Keysym> upcoming, Clock::time_point now) {
  const std::size_t capacity = levels * (spareCodes & ~heldCodes).count();
  std::vector<Keysym> chunk;
  std::unordered_set<Keysym> needed;
  for (const Keysym keysym : upcoming) {
    if (chunk.size() == capacity) {
      break;
    }
    if (keysym != 0 && needed.insert(keysym).second) {
      chunk.push_back(keysym);
    }
  }
  Keycodes changed;
  std::size_t next = 0;
  const auto nextUnbound = [&] {
    while (next < chunk.size() && placeOf.contains(chunk[next])) {
      ++next;
    }
    return next < chunk.size();
  };
  for (std::size_t code = 0; code < spareCodes.size() && nextUnbound(); ++code) {
    if (!spareCodes.test(code) || !mayChange(code, now)) {
      continue;
    }
    const auto keycode = static_cast<Keycode>(code);
    for (std::uint8_t level = 0; level < levels && nextUnbound(); ++level) {
      const Keysym current = slots[code].symbols[level];
      if (current != 0 && needed.contains(current)) {
        continue;
      }
      unbindLevel(keycode, level);
      bindLevel(keycode, level, chunk[next]);
      changed.set(code);
    }
  }
  return changed;
}

std::optional<SpareKeyBindings::Keycode> SpareKeyBindings::bindWhole(Keysym keysym, Clock::time_point now) {
  std::optional<Keycode> chosen;
  for (std::size_t code = 0; code < spareCodes.size(); ++code) {
    if (spareCodes.test(code) && mayChange(code, now) && (!chosen || !boundCodes.test(code))) {
      chosen = static_cast<Keycode>(code);
      if (!boundCodes.test(code)) {
        break;
      }
    }
  }
  if (!chosen) {
    return std::nullopt;
  }
  if (const auto place = find(keysym)) {
    unbindLevel(place->keycode, place->level);
  }
  forget(*chosen);
  for (std::uint8_t level = 0; level < levels; ++level) {
    slots[*chosen].symbols[level] = keysym;
  }
  boundCodes.set(*chosen);
  placeOf[keysym] = Place{*chosen, 0};
  return chosen;
}

void SpareKeyBindings::use(Keycode keycode) {
  if (boundCodes.test(keycode)) {
    unconfirmedCodes.set(keycode);
  }
}

void SpareKeyBindings::confirm(Clock::time_point now) {
  for (std::size_t code = 0; code < unconfirmedCodes.size() && unconfirmedCodes.any(); ++code) {
    if (unconfirmedCodes.test(code)) {
      slots[code].confirmedAt = now;
      unconfirmedCodes.reset(code);
    }
  }
}

SpareKeyBindings::Clock::time_point SpareKeyBindings::settledAt() const {
  if (unconfirmedCodes.any()) {
    return Clock::time_point::max();
  }
  Clock::time_point latest{};
  for (std::size_t code = 0; code < boundCodes.size(); ++code) {
    if (boundCodes.test(code)) {
      latest = std::max(latest, slots[code].confirmedAt);
    }
  }
  return latest + settle;
}

void SpareKeyBindings::setHeld(Keycode keycode, bool held) { heldCodes.set(keycode, held); }

void SpareKeyBindings::forget(Keycode keycode) {
  for (std::uint8_t level = 0; level < maxLevels; ++level) {
    unbindLevel(keycode, level);
  }
  boundCodes.reset(keycode);
}

bool SpareKeyBindings::mayChange(std::size_t keycode, Clock::time_point now) const {
  return !heldCodes.test(keycode) && !unconfirmedCodes.test(keycode) && slots[keycode].confirmedAt + settle <= now;
}

// A keysym bound to every level (a whole key) leaves them all.
void SpareKeyBindings::unbindLevel(Keycode keycode, std::uint8_t level) {
  const Keysym old = slots[keycode].symbols[level];
  if (old == 0) {
    return;
  }
  if (const auto found = placeOf.find(old); found != placeOf.end() && found->second.keycode == keycode) {
    placeOf.erase(found);
  }
  for (Keysym& symbol : slots[keycode].symbols) {
    if (symbol == old) {
      symbol = 0;
    }
  }
}

void SpareKeyBindings::bindLevel(Keycode keycode, std::uint8_t level, Keysym keysym) {
  slots[keycode].symbols[level] = keysym;
  boundCodes.set(keycode);
  placeOf[keysym] = Place{keycode, level};
}
