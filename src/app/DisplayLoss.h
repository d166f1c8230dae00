#pragma once

#include <functional>

// When the connection to the X server breaks (the server ended, the session was killed), the
// toolkit ends the program on the spot. The last chance given here runs first, once, on the UI
// thread: nothing may show on the display by then, but the project can still be written.
namespace DisplayLoss {

// UI thread only, after the toolkit has opened its display.
void install(std::function<void()> lastChance);
// UI thread only. The toolkit's own handling is left alone.
void uninstall();

}  // namespace DisplayLoss
