// Typing throughput into a real X client on a private Xvfb, against the fastest possible
// injector (a bare XTest loop) and against xdotool typing the same text into the same client,
// and parsing throughput. Prints "name value unit" lines on stdout;
// diagnostics go to stderr.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <exception>
#include <fstream>
#include <future>
#include <iomanip>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "BareXTest.h"
#include "TypingMeasure.h"
#include "keys/KeyParser.h"
#include "keys/KeyTokens.h"
#include "keys/Player.h"
#include "keys/UsLayout.h"
#include "input/x11/XTestInjector.h"
#include "input/x11/XkbLayout.h"
#include "text/Utf8.h"
#include "support/ChildProcess.h"
#include "support/OffLayoutChars.h"
#include "support/TempDir.h"
#include "support/XvfbServer.h"

namespace {

// Plain text, shifted text, tokens, mouse tokens, line breaks and multi-byte characters.
std::string parsingText() {
  const std::string piece =
      "Dear Sir, <SHIFT-DOWN>hello<SHIFT-UP> world 12345!\x03"
      "<ENTER><TAB>caf\u00e9 \u20ac10 <F5><CTRL-DOWN>a<CTRL-UP><MOUSE-LEFT-CLICK 640 480>\x02\x03"
      "The quick brown fox jumps over the lazy dog. <<x <KEYPAD7>\u4e2d\u6587 {braces} [ok]\x03";
  std::string text;
  while (text.size() < (1U << 20)) text += piece;
  return text;
}

bool isModifierKeysym(unsigned long keysym) {
  return (keysym >= 0xffe1 && keysym <= 0xffee) || (keysym >= 0xfe01 && keysym <= 0xfe13) || keysym == 0xff7e ||
         keysym == 0xff7f;
}

// Reads xrecorder's key presses, noting when each character arrives, up to an Escape press.
Recording collect(ChildProcess& recorder) {
  const auto deadline = Clock::now() + recordingTimeout;
  Recording result;
  while (const auto line = recorder.readLine(deadline)) {
    std::istringstream in(*line);
    std::string kind;
    std::string keysymHex;
    std::uint32_t codePoint = 0;
    in >> kind >> keysymHex >> codePoint;
    if (kind != "K") continue;
    const unsigned long keysym = std::stoul(keysymHex, nullptr, 16);
    if (keysym == 0xff1b) {
      result.sawEnd = true;
      break;
    }
    if (isModifierKeysym(keysym)) continue;
    // xdotool types a newline with the Linefeed key rather than Return: both end a line.
    result.chars.push_back(codePoint == '\n' ? enterCodePoint : codePoint);
    result.lastCharAt = Clock::now();
  }
  return result;
}

// Ten lines, each the 200 characters on no key of the US layout in another order: each line
// needs the spare keycodes bound anew several times.
std::u32string offLayoutText() {
  std::u32string chars = offLayoutChars();
  std::mt19937 random(20261208);
  std::u32string text;
  for (int line = 0; line < 10; ++line) {
    std::shuffle(chars.begin(), chars.end(), random);
    text += chars;
    text += U'\x03';
  }
  return text;
}

// Types the text through the live layout and the XTest injector, with an Escape at the end.
void typeThroughZentak(const XvfbServer& server, const std::string& text) {
  const KeyTokens tokens;
  XkbLayout layout(server.name());
  XTestInjector injector(server.name());
  KeyActions list;
  KeyParser(tokens, layout).parseKeys(text, list);
  list.push_back(KeyCode::escape);
  Player(injector).playKeys(list);
}

// Runs a program to its end, its output kept off stdout, which carries the figures only.
void runOrThrow(const XvfbServer& server, std::vector<std::string> argv) {
  const std::string program = argv.front();
  if (server.run(std::move(argv), recordingTimeout, ChildProcess::Output::discard) != 0)
    throw std::runtime_error(program + " failed");
}

double parseMegabytesPerSecond() {
  const std::string text = parsingText();
  const KeyTokens tokens;
  UsLayout layout;
  const KeyParser parser(tokens, layout);
  KeyActions list;
  parser.parseKeys(text, list);
  std::size_t bytes = 0;
  std::size_t listBytes = 0;
  const auto start = Clock::now();
  auto elapsed = Clock::duration::zero();
  while (elapsed < std::chrono::seconds(2)) {
    parser.parseKeys(text, list);
    bytes += text.size();
    listBytes += list.size();
    elapsed = Clock::now() - start;
  }
  if (listBytes == 0) throw std::runtime_error("parsing produced nothing");
  return static_cast<double>(bytes) / 1e6 / std::chrono::duration<double>(elapsed).count();
}

void run() {
  const XvfbServer server;
  std::cerr << "Xvfb on " << server.name() << "\n";
  ChildProcess recorder = server.spawn({XRECORDER_PATH}, ChildProcess::Output::capture);
  if (recorder.readLine(Clock::now() + std::chrono::seconds(60)) != "READY") {
    throw std::runtime_error("xrecorder did not get ready");
  }

  const std::string text = typingText();
  std::vector<std::uint32_t> expected;
  for (const char c : text) expected.push_back(recordedAs(c));

  const TypingResult typing =
      measure("typing", [&] { return collect(recorder); }, expected, [&] { typeThroughZentak(server, text); });

  const std::u32string offLayout = offLayoutText();
  std::string offLayoutUtf8;
  std::vector<std::uint32_t> offLayoutExpected;
  for (const char32_t c : offLayout) {
    offLayoutUtf8 += encodeUtf8(c);
    offLayoutExpected.push_back(c == U'\x03' ? enterCodePoint : static_cast<std::uint32_t>(c));
  }
  const TypingResult offLayoutTyping = measure("off-layout typing", [&] { return collect(recorder); },
                                               offLayoutExpected, [&] { typeThroughZentak(server, offLayoutUtf8); });

  const TypingResult raw =
      measure("bare XTest", [&] { return collect(recorder); }, expected, [&] { typeWithBareXTest(server.name(), text); });

  const TempDir dir;
  const auto file = dir.path() / "text.txt";
  {
    std::string withNewlines = text;
    std::replace(withNewlines.begin(), withNewlines.end(), '\x03', '\n');
    std::ofstream(file, std::ios::binary) << withNewlines;
  }
  const TypingResult xdotool = measure("xdotool", [&] { return collect(recorder); }, expected, [&] {
    runOrThrow(server, {"xdotool", "type", "--delay", "0", "--file", file.string()});
    runOrThrow(server, {"xdotool", "key", "Escape"});
  });
  std::cerr << "xdotool lost " << xdotool.lost << " characters\n";

  const double parsing = parseMegabytesPerSecond();

  std::cout << std::fixed << std::setprecision(0) << "typing_chars_per_s " << typing.charsPerSecond << " chars/s\n"
            << "raw_xtest_chars_per_s " << raw.charsPerSecond << " chars/s\n"
            << "xdotool_chars_per_s " << xdotool.charsPerSecond << " chars/s\n"
            << std::setprecision(2) << "typing_vs_raw_xtest "
            << (raw.charsPerSecond > 0 ? typing.charsPerSecond / raw.charsPerSecond : 0.0) << " x\n"
            << std::setprecision(2) << "typing_vs_xdotool "
            << (xdotool.charsPerSecond > 0 ? typing.charsPerSecond / xdotool.charsPerSecond : 0.0) << " x\n"
            << "typing_lost " << typing.lost << " chars\n"
            << std::setprecision(0) << "typing_offlayout_chars_per_s " << offLayoutTyping.charsPerSecond << " chars/s\n"
            << "typing_offlayout_wrong " << offLayoutTyping.lost << " chars\n"
            << std::setprecision(1) << "parse_mb_per_s " << parsing << " MB/s\n";
}

}  // namespace

int main() {
  try {
    run();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "zentak_bench_typing: " << e.what() << "\n";
    return 1;
  }
}
