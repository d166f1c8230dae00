#pragma once

#include "support/SwayServer.h"

// Window tests with the toolkit on a private headless sway (the harness library
// zentak_guitest_sway): the compositor, for the Wayland clients a test starts beside it.
namespace GuiTest {

[[nodiscard]] const SwayServer& sway();

}  // namespace GuiTest
