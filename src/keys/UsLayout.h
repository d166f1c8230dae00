#pragma once

#include "keys/KeyboardLayout.h"

// A fixed US keyboard: used when no X display can be opened, and by tests.
class UsLayout : public KeyboardLayout {
 public:
  [[nodiscard]] std::optional<KeyScan> keyScan(char32_t c) const override;
};
