#include "input/kde/KwinActiveLayout.h"

#include "input/bus/RemoteDesktopSession.h"
#include "input/bus/SessionBus.h"

namespace {

// KWin answers at once; a hung one must not hold up typing long.
constexpr int answerMs = 500;

}  // namespace

KwinActiveLayout::KwinActiveLayout(const std::string& busAddress) {
  try {
    bus = std::make_unique<SessionBus>(busAddress);
  } catch (const RemoteDesktopError&) {
    // No bus: KWin's first layout is all there is to go by.
  }
}

KwinActiveLayout::~KwinActiveLayout() = default;

std::uint32_t KwinActiveLayout::current() const {
  owner.assertCurrent("KwinActiveLayout::current");
  if (!bus) return 0;
  try {
    const GVariantPtr reply =
        bus->call("org.kde.KWin", "/Layouts", "org.kde.KeyboardLayouts", "getLayout", nullptr, "getLayout", answerMs);
    if (!g_variant_is_of_type(reply.get(), G_VARIANT_TYPE("(u)"))) return 0;
    guint32 index = 0;
    g_variant_get(reply.get(), "(u)", &index);
    return index;
  } catch (const RemoteDesktopError&) {
    return 0;
  }
}
