// Arbitrary bytes as a command text, parsed with the US layout and checked: the key-action list is
// well formed (every mouse code is followed by its two coordinates, every typed character by
// its code point), and playing it reads nothing past its end and makes exactly the input the
// list describes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "keys/KeyParser.h"
#include "keys/KeyTextCheck.h"
#include "keys/KeyTokens.h"
#include "keys/Player.h"
#include "keys/RecordingInjector.h"
#include "keys/UsLayout.h"

namespace {

// Mouse transitions a mouse code makes: two for a click, one for a press or a release.
std::size_t mouseTransitions(std::uint8_t code) {
  switch (code) {
    case KeyCode::mouseLeftClick:
    case KeyCode::mouseRightClick:
    case KeyCode::mouseMiddleClick: return 2;
    case KeyCode::mouseLeftDown:
    case KeyCode::mouseLeftUp:
    case KeyCode::mouseRightDown:
    case KeyCode::mouseRightUp:
    case KeyCode::mouseMiddleDown:
    case KeyCode::mouseMiddleUp: return 1;
    default: return 0;
  }
}

struct Expected {
  std::size_t keys = 0;
  std::size_t mice = 0;
  std::size_t characters = 0;
};

// Walks the list the way a reader must and aborts on a malformed one.
Expected check(const KeyActions& list) {
  Expected expected;
  for (std::size_t pos = 0; pos < list.size(); ++pos) {
    const std::uint8_t code = list[pos];
    if (const std::size_t transitions = mouseTransitions(code)) {
      if (list.size() - pos - 1 < KeyCode::coordinateBytes) std::abort();
      // Sign bytes are 0 or 1.
      if (list[pos + 1] > 1 || list[pos + 6] > 1) std::abort();
      pos += KeyCode::coordinateBytes;
      expected.mice += transitions;
    } else if (code == KeyCode::typeChar) {
      if (list.size() - pos - 1 < KeyCode::codePointBytes) std::abort();
      pos += KeyCode::codePointBytes;
      ++expected.characters;
    } else if (code >= KeyCode::ctrlDown && code <= KeyCode::shiftUp) {
      ++expected.keys;
    } else {
      expected.keys += 2;
    }
  }
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const KeyTokens tokens;
  static UsLayout layout;
  static const KeyParser parser(tokens, layout);

  KeyActions parsed;
  parser.parseKeys(std::string_view(reinterpret_cast<const char*>(data), size), parsed);
  // An exact-size copy, so that any read past the end lands outside the allocation.
  const KeyActions list(parsed.begin(), parsed.end());
  const Expected expected = check(list);

  RecordingInjector injector;
  Player player(injector);
  player.playKeys(list);
  Expected played;
  for (const RecordingInjector::Event& e : injector.events) {
    switch (e.kind) {
      case RecordingInjector::Event::Kind::key: ++played.keys; break;
      case RecordingInjector::Event::Kind::mouse: ++played.mice; break;
      case RecordingInjector::Event::Kind::typeChar: ++played.characters; break;
      case RecordingInjector::Event::Kind::flush: break;
    }
  }
  if (played.keys != expected.keys || played.mice != expected.mice || played.characters != expected.characters) {
    std::abort();
  }

  // The check's findings lie inside the text, in order and apart, each with its message.
  static const KeyTextCheck textCheck(tokens);
  std::size_t after = 0;
  for (const KeyTextCheck::Finding& finding :
       textCheck.check(std::string_view(reinterpret_cast<const char*>(data), size), KeyTextCheck::Screen{1920, 1080}, size)) {
    if (finding.begin < after || finding.end <= finding.begin || finding.end > size || finding.message.empty()) {
      std::abort();
    }
    after = finding.end;
  }
  return 0;
}
