// Typing throughput into a real Wayland client (wev) on a private headless mutter, through
// mutter's own remote-desktop interface and through the desktop portal's; and whether a window
// that reads its events only every 100 ms, on a machine kept busy, gets every character and
// stays connected. Prints "name value unit" lines on stdout; diagnostics go to stderr.

#include <algorithm>
#include <exception>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>

#include "TypingMeasure.h"
#include "WevCollect.h"
#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "input/gnome/MutterSession.h"
#include "keys/Player.h"
#include "input/gnome/PortalSession.h"
#include "input/gnome/RemoteDesktopInjector.h"
#include "support/BusyCores.h"
#include "support/ConsentAnswerer.h"
#include "support/MutterServer.h"
#include "support/PrintableAscii.h"
#include "support/SlowClient.h"
#include "support/TempDir.h"
#include "support/WevRecorder.h"

namespace {

using MakeInjector = std::function<std::unique_ptr<RemoteDesktopInjector>(MutterServer&)>;

void typeInto(RemoteDesktopInjector& injector, const std::string& text) {
  const KeyTokens tokens;
  KeyActions list;
  KeyParser(tokens, injector).parseKeys(text, list);
  list.push_back(KeyCode::escape);
  Player(injector).playKeys(list);
}

// Types 5,000 characters into the slow client while every core spins.
void slowClient(const std::string& backend, const MakeInjector& make) {
  MutterServer mutter;
  const auto injector = make(mutter);
  SlowClient client(mutter);
  client.waitForFocus();
  const std::string ascii = printableAscii();
  std::string text;
  while (text.size() < 5000) text += ascii.substr(0, ascii.size() - 2);
  {
    const BusyCores busy(std::chrono::seconds(120));
    typeInto(*injector, text);
  }
  const SlowClient::Result result = client.finish();
  const auto arrived = std::ranges::mismatch(text, result.received).in1 - text.begin();
  if (result.disconnected) std::cerr << backend << " slow client: cut off after " << result.count << " characters\n";
  std::cout << backend << "_slow_client_lost " << text.size() - static_cast<std::size_t>(arrived) << " chars\n"
            << backend << "_slow_client_disconnects " << (result.disconnected ? 1 : 0) << " disconnects\n";
}

void measureTyping(const std::string& backend, const MakeInjector& make) {
  MutterServer mutter;
  const auto injector = make(mutter);
  // Started once the session is open, so that no key of the portal's question reaches it.
  WevRecorder wev(mutter);
  wev.waitForInput();

  const std::string text = typingText();
  std::vector<std::uint32_t> expected;
  for (const char c : text) expected.push_back(recordedAs(c));

  const TypingResult typing = measure((backend + " typing").c_str(), [&] { return collectWev(wev); }, expected,
                                      [&] { typeInto(*injector, text); });
  std::cout << std::fixed << std::setprecision(0) << backend << "_typing_chars_per_s " << typing.charsPerSecond
            << " chars/s\n"
            << backend << "_typing_lost " << typing.lost << " chars\n";
}

void run() {
  const MakeInjector mutterInjector = [](MutterServer& mutter) {
    auto injector = std::make_unique<RemoteDesktopInjector>(std::make_unique<MutterSession>(mutter.busAddress()),
                                                            InputPacer::gnome);
    injector->open();
    return injector;
  };
  const TempDir config;
  const MakeInjector portalInjector = [&config](MutterServer& mutter) {
    mutter.startPortal();
    auto injector = std::make_unique<RemoteDesktopInjector>(
        std::make_unique<PortalSession>(mutter.busAddress(), config.path() / "token"), InputPacer::gnome);
    const ConsentAnswerer user(mutter, true);
    injector->open();
    return injector;
  };
  measureTyping("mutter", mutterInjector);
  slowClient("mutter", mutterInjector);
  measureTyping("portal", portalInjector);
  slowClient("portal", portalInjector);
}

}  // namespace

int main() {
  try {
    run();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "zentak_bench_gnome_typing: " << e.what() << "\n";
    return 1;
  }
}
