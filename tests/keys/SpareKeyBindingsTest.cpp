#include "keys/SpareKeyBindings.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = SpareKeyBindings::Clock;
using Keysym = SpareKeyBindings::Keysym;
using Keycodes = SpareKeyBindings::Keycodes;
using Place = SpareKeyBindings::Place;

constexpr Keysym a = 0x61, b = 0x62, c = 0x63, d = 0x64, e = 0x65, f = 0x66, g = 0x67, h = 0x68;
constexpr auto settle = 80ms;
const Clock::time_point t0 = Clock::time_point{} + 1h;

struct Case {
  const char* fault;
  // Bound at t0 on spare keycodes 10 and 11, all free.
  std::vector<Keysym> boundFirst;
  std::vector<SpareKeyBindings::Keycode> used;
  std::vector<SpareKeyBindings::Keycode> held;
  // Whether the uses were confirmed at t0, and how long after t0 the next chunk is bound.
  bool confirmed = true;
  Clock::duration later = settle;
  std::vector<Keysym> upcoming;
  std::vector<std::pair<Keysym, std::optional<Place>>> expected;
  Keycodes changed;
  std::size_t levels = 2;
};

Keycodes codes(std::initializer_list<std::size_t> list) {
  Keycodes set;
  for (const std::size_t code : list) set.set(code);
  return set;
}

}  // namespace

TEST(SpareKeyBindings, ChunksBindWhatIsFreeToChangeAndLeaveTheRest) {
  const std::vector<Case> cases = {
      {"a keysym bound twice, or one level per keycode only", {}, {}, {}, true, 0ms, {a, b, a, c},
       {{a, Place{10, 0}}, {b, Place{10, 1}}, {c, Place{11, 0}}}, codes({10, 11})},
      {"a keysym bound already moved, or a keysym not needed kept", {a, b}, {}, {}, true, 0ms, {c, b},
       {{b, Place{10, 1}}, {c, Place{10, 0}}, {a, std::nullopt}}, codes({10})},
      {"a keycode changed before its use was seen to reach the server", {a, b}, {10}, {}, false, 1h, {c},
       {{a, Place{10, 0}}, {c, Place{11, 0}}}, codes({11})},
      {"a keycode changed while a client may still translate its events", {a, b, c, d}, {10, 11}, {}, true, 79ms,
       {e}, {{e, std::nullopt}, {a, Place{10, 0}}}, {}},
      {"settled keycodes not taken for the next chunk, or a chunk past the capacity", {a, b, c, d}, {10, 11}, {},
       true, settle, {e, f, g, h, a},
       {{e, Place{10, 0}}, {f, Place{10, 1}}, {g, Place{11, 0}}, {h, Place{11, 1}}, {a, std::nullopt}},
       codes({10, 11})},
      {"a held key changed", {a, b, c, d}, {}, {10}, true, 1h, {e, f, g},
       {{a, Place{10, 0}}, {e, Place{11, 0}}, {f, Place{11, 1}}, {g, std::nullopt}}, codes({11})},
      {"a keysym needed again in the chunk given up for another", {a, b, c, d}, {}, {}, true, settle, {c, e, a, f},
       {{a, Place{10, 0}}, {c, Place{11, 0}}, {e, Place{10, 1}}, {f, Place{11, 1}}}, codes({10, 11})},
      {"the level-3 levels left unused where the keyboard has them", {}, {}, {}, true, 0ms, {a, b, c, d, e},
       {{c, Place{10, 2}}, {d, Place{10, 3}}, {e, Place{11, 0}}}, codes({10, 11}), 4},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.fault);
    SpareKeyBindings bindings(settle);
    bindings.setSpare(codes({10, 11}));
    bindings.setLevels(test.levels);
    static_cast<void>(bindings.bindAhead(test.boundFirst, t0));
    for (const auto keycode : test.used) bindings.use(keycode);
    for (const auto keycode : test.held) bindings.setHeld(keycode, true);
    if (test.confirmed) bindings.confirm(t0);
    EXPECT_EQ(bindings.bindAhead(test.upcoming, t0 + test.later), test.changed);
    for (const auto& [keysym, place] : test.expected) EXPECT_EQ(bindings.find(keysym), place) << keysym;
  }
}

// Catches a named key that types another keysym with Shift held, a binding given back that
// still answers, a binding on a level the keyboard no longer reaches, and a wait that could end
// before the last use has settled.
TEST(SpareKeyBindings, WholeKeysForgettingAndTheTimeAllHaveSettled) {
  SpareKeyBindings bindings(settle);
  bindings.setSpare(codes({10, 11}));
  static_cast<void>(bindings.bindAhead(std::vector<Keysym>{a}, t0));
  EXPECT_EQ(bindings.bindWhole(f, t0), 11) << "a keycode carrying nothing comes first";
  EXPECT_EQ(bindings.symbolsOf(11), (SpareKeyBindings::Symbols{f, f}));
  EXPECT_EQ(bindings.settledAt(), Clock::time_point{} + settle);

  bindings.use(11);
  EXPECT_EQ(bindings.settledAt(), Clock::time_point::max());
  bindings.confirm(t0);
  EXPECT_EQ(bindings.settledAt(), t0 + settle);

  bindings.forget(11);
  EXPECT_FALSE(bindings.find(f));
  bindings.setLevels(4);
  static_cast<void>(bindings.bindAhead(std::vector<Keysym>{a, b, c}, t0 + settle));
  ASSERT_EQ(bindings.find(c), (Place{10, 2}));
  bindings.setLevels(2);
  EXPECT_FALSE(bindings.find(c));
  EXPECT_EQ(bindings.find(b), (Place{10, 1}));
  bindings.setSpare({});
  EXPECT_EQ(bindings.spare(), codes({10})) << "our own binding counted as the layout's";
}
