#pragma once

#include "TypingMeasure.h"

class WevRecorder;

// wev's key presses, noting when each character arrives, up to an Escape press.
[[nodiscard]] Recording collectWev(WevRecorder& wev);
