#include "keys/SpareKeycodePool.h"

#include <algorithm>

SpareKeycodePool::SpareKeycodePool(Clock::duration graceAfterUse) : grace(graceAfterUse) {}

void SpareKeycodePool::setSpare(const Keycodes& spare) { spareCodes = spare | boundCodes; }

std::optional<SpareKeycodePool::Keycode> SpareKeycodePool::find(Keysym keysym) const {
  if (const auto found = keycodeOf.find(keysym); found != keycodeOf.end()) {
    return found->second;
  }
  return std::nullopt;
}

SpareKeycodePool::Grant SpareKeycodePool::acquire(Keysym keysym, Clock::time_point now) {
  if (const auto existing = find(keysym)) {
    use(*existing);
    return {Grant::Kind::bound, *existing, {}};
  }
  const Keycodes free = spareCodes & ~boundCodes & ~heldCodes;
  for (std::size_t code = 0; code < free.size(); ++code) {
    if (free.test(code)) {
      const auto keycode = static_cast<Keycode>(code);
      bindSlot(keycode, keysym);
      return {Grant::Kind::fresh, keycode, {}};
    }
  }
  if (const auto expired = leastRecentlyUsed(now, true)) {
    bindSlot(*expired, keysym);
    return {Grant::Kind::replaced, *expired, {}};
  }
  const auto oldest = leastRecentlyUsed(now, false);
  if (!oldest) {
    return {Grant::Kind::none, 0, Clock::time_point::max()};
  }
  const Clock::time_point goneOut = unsentCodes.test(*oldest) ? now : slots[*oldest].lastSent;
  return {Grant::Kind::none, *oldest, goneOut + grace};
}

SpareKeycodePool::Grant SpareKeycodePool::takeOver(Keycode keycode, Keysym keysym) {
  if (const auto existing = find(keysym)) {
    use(*existing);
    return {Grant::Kind::bound, *existing, {}};
  }
  if (!spareCodes.test(keycode) || heldCodes.test(keycode)) {
    return {Grant::Kind::none, 0, Clock::time_point::max()};
  }
  const Grant::Kind kind = boundCodes.test(keycode) ? Grant::Kind::replaced : Grant::Kind::fresh;
  bindSlot(keycode, keysym);
  return {kind, keycode, {}};
}

void SpareKeycodePool::use(Keycode keycode) {
  if (boundCodes.test(keycode)) {
    slots[keycode].lastUse = ++uses;
    unsentCodes.set(keycode);
  }
}

void SpareKeycodePool::sent(Clock::time_point now) {
  if (unsentCodes.none()) {
    return;
  }
  for (std::size_t code = 0; code < unsentCodes.size(); ++code) {
    if (unsentCodes.test(code)) {
      slots[code].lastSent = now;
    }
  }
  unsentCodes.reset();
  nextExpiry = std::min(nextExpiry, now + grace);
}

void SpareKeycodePool::setHeld(Keycode keycode, bool held) {
  heldCodes.set(keycode, held);
  if (!held && boundCodes.test(keycode) && !unsentCodes.test(keycode)) {
    nextExpiry = std::min(nextExpiry, slots[keycode].lastSent + grace);
  }
}

SpareKeycodePool::Keycodes SpareKeycodePool::expire(Clock::time_point now) {
  Keycodes expired;
  if (now < nextExpiry) {
    return expired;
  }
  nextExpiry = Clock::time_point::max();
  for (std::size_t code = 0; code < boundCodes.size(); ++code) {
    if (!reclaimable(code) || unsentCodes.test(code)) {
      continue;
    }
    const Clock::time_point expiry = slots[code].lastSent + grace;
    if (expiry <= now) {
      expired.set(code);
      forget(static_cast<Keycode>(code));
    } else {
      nextExpiry = std::min(nextExpiry, expiry);
    }
  }
  return expired;
}

void SpareKeycodePool::forget(Keycode keycode) {
  if (boundCodes.test(keycode)) {
    keycodeOf.erase(slots[keycode].keysym);
    slots[keycode] = {};
    boundCodes.reset(keycode);
    unsentCodes.reset(keycode);
  }
}

void SpareKeycodePool::bindSlot(Keycode keycode, Keysym keysym) {
  forget(keycode);
  slots[keycode].keysym = keysym;
  boundCodes.set(keycode);
  keycodeOf[keysym] = keycode;
  use(keycode);
}

bool SpareKeycodePool::reclaimable(std::size_t keycode) const {
  return boundCodes.test(keycode) && !heldCodes.test(keycode);
}

std::optional<SpareKeycodePool::Keycode> SpareKeycodePool::leastRecentlyUsed(Clock::time_point now,
                                                                             bool pastGraceOnly) const {
  std::optional<Keycode> oldest;
  for (std::size_t code = 0; code < boundCodes.size(); ++code) {
    if (!reclaimable(code)) {
      continue;
    }
    if (pastGraceOnly && (unsentCodes.test(code) || slots[code].lastSent + grace > now)) {
      continue;
    }
    if (!oldest || slots[code].lastUse < slots[*oldest].lastUse) {
      oldest = static_cast<Keycode>(code);
    }
  }
  return oldest;
}
