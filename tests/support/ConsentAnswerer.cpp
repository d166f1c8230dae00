#include "support/ConsentAnswerer.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <chrono>
#include <cstdint>

#include "keys/MutterSession.h"
#include "support/MutterServer.h"

ConsentAnswerer::ConsentAnswerer(const MutterServer& mutter, bool allow, Monitor monitor)
    : worker([address = mutter.busAddress(), allow, monitor](const std::stop_token& stop) {
        MutterSession user(address);
        user.open();
        const auto tap = [&user](std::uint32_t keysym) {
          user.keysym(keysym, true);
          user.keysym(keysym, false);
          user.roundTrip();
        };
        // The question takes a while to show, and its switch to make "Share" sensitive.
        constexpr auto step = std::chrono::milliseconds(300);
        while (!stop.stop_requested()) {
          std::this_thread::sleep_for(step);
          if (!allow) {
            tap(XKB_KEY_Escape);
            continue;
          }
          if (monitor == Monitor::asked) {
            tap(XKB_KEY_Return);
            std::this_thread::sleep_for(step);
            tap(XKB_KEY_Tab);
            std::this_thread::sleep_for(step);
          }
          tap(XKB_KEY_Return);
          std::this_thread::sleep_for(step);
          user.keysym(XKB_KEY_Alt_L, true);
          tap(XKB_KEY_s);
          user.keysym(XKB_KEY_Alt_L, false);
        }
      }) {}
