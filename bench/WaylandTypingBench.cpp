// Typing throughput into a real Wayland client (wev) on a private headless sway, through the
// compositor's virtual keyboard (wayland_*), and on a private KWin through its fake input
// (kde_*) and through the desktop portal with Plasma's backend (portal_kde_*); whether a window
// that reads its events only every 100 ms, on a machine kept busy, gets every character and stays
// connected; and how long a paste of characters KWin's keymap lacks takes (kde_paste_*). Prints
// "name value unit" lines on stdout;
// diagnostics go to stderr.

#include <algorithm>
#include <chrono>
#include <exception>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>

#include "TypingMeasure.h"
#include "WevCollect.h"
#include "input/wayland/DataControlPasteBoard.h"
#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "input/kde/KwinInjector.h"
#include "input/paste/PastingInjector.h"
#include "keys/Player.h"
#include "input/gnome/PortalSession.h"
#include "input/gnome/RemoteDesktopInjector.h"
#include "input/wayland/WaylandInjector.h"
#include "support/BusyCores.h"
#include "support/GtkTextWindow.h"
#include "support/KwinServer.h"
#include "support/PrintableAscii.h"
#include "support/SlowClient.h"
#include "support/SwayServer.h"
#include "support/TempDir.h"
#include "support/WevRecorder.h"

namespace {

template <typename AnInjector>
void typeInto(AnInjector& injector, const std::string& text) {
  const KeyTokens tokens;
  KeyActions list;
  KeyParser(tokens, injector).parseKeys(text, list);
  list.push_back(KeyCode::escape);
  Player(injector).playKeys(list);
}

// Types 5,000 characters into the slow client while every core spins; connect makes the injector.
template <typename Connect>
void slowClient(const WaylandServer& server, const std::string& prefix, Connect connect) {
  SlowClient client(server);
  const std::string ascii = printableAscii();
  std::string text;
  while (text.size() < 5000) text += ascii.substr(0, ascii.size() - 2);
  {
    const BusyCores busy(std::chrono::seconds(120));
    const auto injector = connect();
    client.waitForFocus();
    typeInto(*injector, text);
  }
  const SlowClient::Result result = client.finish();
  const auto arrived = std::ranges::mismatch(text, result.received).in1 - text.begin();
  if (result.disconnected) std::cerr << "slow client: cut off after " << result.count << " characters\n";
  std::cout << prefix << "_slow_client_lost " << text.size() - static_cast<std::size_t>(arrived) << " chars\n"
            << prefix << "_slow_client_disconnects " << (result.disconnected ? 1 : 0) << " disconnects\n";
}

template <typename Connect>
void measureTyping(const WaylandServer& server, const std::string& prefix, Connect connect) {
  WevRecorder wev(server);
  const auto injector = connect();
  wev.waitForInput();

  const std::string text = typingText();
  std::vector<std::uint32_t> expected;
  for (const char c : text) expected.push_back(recordedAs(c));

  const TypingResult typing =
      measure((prefix + " typing").c_str(), [&] { return collectWev(wev); }, expected, [&] { typeInto(*injector, text); });
  std::cout << std::fixed << std::setprecision(0) << prefix << "_typing_chars_per_s " << typing.charsPerSecond
            << " chars/s\n"
            << prefix << "_typing_lost " << typing.lost << " chars\n";
}

// Pastes one character at a time into a GTK text view, typed ones between, each paste lasting
// until the view has fetched the text and the user's clipboard is back.
void measurePaste() {
  const KwinServer kwin(KwinServer::Options{});
  GtkTextWindow window(kwin, std::string("user words"));
  KwinInjector keys(kwin.socketPath());
  DataControlPasteBoard board(kwin.socketPath());
  PastingInjector injector(keys, board, PasteKey::standard());
  constexpr int pastes = 10;
  std::string text;
  for (int i = 0; i < pastes; ++i) text += "\xc3\xa9x";
  const KeyTokens tokens;
  KeyActions list;
  KeyParser(tokens, keys).parseKeys(text, list);
  list.push_back(KeyCode::escape);
  const auto start = std::chrono::steady_clock::now();
  Player(injector).playKeys(list);
  const std::string seen = window.readUntilEscape();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  const auto arrived = std::ranges::mismatch(text, seen).in1 - text.begin();
  std::cout << std::fixed << std::setprecision(0) << "kde_paste_ms " << took.count() / pastes << " ms\n"
            << "kde_paste_lost " << text.size() - static_cast<std::size_t>(arrived) << " bytes\n";
}

void run() {
  const auto wlroots = [](const SwayServer& sway) {
    return [&sway] { return std::make_unique<WaylandInjector>(WaylandInjector::Options{sway.socketPath(), "us"}); };
  };
  const auto kde = [](const KwinServer& kwin) {
    return [&kwin] { return std::make_unique<KwinInjector>(kwin.socketPath()); };
  };
  {
    const SwayServer sway;
    measureTyping(sway, "wayland", wlroots(sway));
  }
  {
    const SwayServer sway;
    slowClient(sway, "wayland", wlroots(sway));
  }
  {
    const KwinServer kwin(KwinServer::Options{});
    measureTyping(kwin, "kde", kde(kwin));
  }
  {
    const KwinServer kwin(KwinServer::Options{});
    slowClient(kwin, "kde", kde(kwin));
  }
  const TempDir config;
  const auto portal = [&config](const KwinServer& kwin) {
    return [&kwin, &config] {
      auto injector = std::make_unique<RemoteDesktopInjector>(
          std::make_unique<PortalSession>(kwin.sessionBus(), config.path() / "token"), InputPacer::gnome);
      injector->open();
      return injector;
    };
  };
  {
    const KwinServer kwin(KwinServer::Options{{}, {}, true});
    measureTyping(kwin, "portal_kde", portal(kwin));
  }
  const KwinServer kwin(KwinServer::Options{{}, {}, true});
  slowClient(kwin, "portal_kde", portal(kwin));
  measurePaste();
}

}  // namespace

int main() {
  try {
    run();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "zentak_bench_wayland_typing: " << e.what() << "\n";
    return 1;
  }
}
