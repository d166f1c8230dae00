#include "input/paste/PastingInjector.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "keys/KeyCodes.h"
#include "keys/RecordingInjector.h"
#include "text/Utf8.h"

namespace {

// An injector whose layout types ASCII only, optionally without the letter v.
class AsciiInjector : public RecordingInjector {
 public:
  explicit AsciiInjector(bool withV) : hasV(withV) {}
  [[nodiscard]] bool canType(char32_t c) const override { return c < 0x80 && (hasV || c != U'v'); }

 private:
  bool hasV;
};

// A clipboard that notes, against the injector's events so far, what it was given and when the
// paste was finished.
class FakeBoard : public PasteBoard {
 public:
  FakeBoard(const RecordingInjector& typing, bool open, bool taking)
      : injector(typing), isAvailable(open), accepts(taking) {}
  bool available() override { return isAvailable; }
  bool offer(const std::string& text) override {
    notes.emplace_back(injector.events.size(), (accepts ? "{offer " : "{refuse ") + text + "}");
    return accepts;
  }
  void finishPaste() override { notes.emplace_back(injector.events.size(), "{done}"); }

  std::vector<std::pair<std::size_t, std::string>> notes;

 private:
  const RecordingInjector& injector;
  bool isAvailable;
  bool accepts;
};

// Plays ops: '^' an Enter press and release, '@' a click, '.' a flush, '+' and '-' a Shift press
// and release, '>' and '<' an AltGr press and release, any other character typed.
void play(Injector& injector, const std::u32string& ops) {
  for (const char32_t op : ops) {
    if (op == U'+' || op == U'-') {
      injector.keyEvent(KeyCode::shift, op == U'+');
    } else if (op == U'>' || op == U'<') {
      injector.keyEvent(KeyCode::rmenu, op == U'>');
    } else if (op == U'^') {
      injector.keyEvent(KeyCode::returnKey, true);
      injector.keyEvent(KeyCode::returnKey, false);
    } else if (op == U'@') {
      injector.mouseEvent(MouseButton::left, true, 1, 2);
    } else if (op == U'.') {
      injector.flush();
    } else {
      injector.typeChar(op);
    }
  }
}

// Typed characters as themselves, keys as <code+> and <code->, a click as <M>, a flush as |,
// and the board's notes where they came.
std::string transcript(const RecordingInjector& injector, const FakeBoard& board) {
  std::string out;
  auto note = board.notes.begin();
  for (std::size_t i = 0; i <= injector.events.size(); ++i) {
    for (; note != board.notes.end() && note->first == i; ++note) out += note->second;
    if (i == injector.events.size()) break;
    const RecordingInjector::Event& e = injector.events[i];
    switch (e.kind) {
      case RecordingInjector::Event::Kind::typeChar: out += encodeUtf8(e.character); break;
      case RecordingInjector::Event::Kind::key:
        out += "<" + std::to_string(e.keyCode) + (e.down ? "+>" : "->");
        break;
      case RecordingInjector::Event::Kind::mouse: out += "<M>"; break;
      case RecordingInjector::Event::Kind::flush: out += "|"; break;
    }
  }
  return out;
}

struct PasteCase {
  const char* fault;
  std::u32string ops;
  const char* pasteKey;
  bool available;
  bool accepts;
  bool hasV;
  std::string seen;
};

}  // namespace

// Catches the faults each case names: pasted characters out of order, wrong paste keys, and
// characters typed as others or pasted from the user's clipboard when the board refuses.
TEST(PastingInjectorTest, UntypeableRunsArePastedInOrderOrSkipped) {
  const PasteCase cases[] = {
      {"a run pasted per character, or out of order with what follows", U"aé€b.", "Ctrl+V", true, true, true,
       "a{offer é€}<17+>v<17->|{done}b|"},
      {"characters left pending at the end of a run", U"a中.", "Ctrl+V", true, true, true,
       "a{offer 中}<17+>v<17->|{done}|"},
      {"a key or click overtaking the pasted characters", U"é^ü@", "ctrl+v", true, true, true,
       "{offer é}<17+>v<17->|{done}<13+><13->{offer ü}<17+>v<17->|{done}<M>"},
      {"a terminal's paste key missing its Shift", U"é.", "Ctrl+Shift+V", true, true, true,
       "{offer é}<17+><16+>v<16-><17->|{done}|"},
      {"a key that is no letter sent as a character", U"é.", "SHIFT+insert", true, true, true,
       "{offer é}<16+><45+><45-><16->|{done}|"},
      {"a layout without the letter losing the paste", U"é.", "Ctrl+V", true, true, false,
       "{offer é}<17+><86+><86-><17->|{done}|"},
      {"a held Shift and AltGr making the paste key another chord, or left up after it", U"+>é<-.", "Ctrl+V",
       true, true, true, "<16+><165+>{offer é}<165-><16-><17+>v<17-><16+><165+>|{done}<165-><16->|"},
      {"a refused clipboard pasting the user's own text", U"aéb.", "Ctrl+V", true, false, true, "a{refuse é}b|"},
      {"a desktop without a clipboard for us still asked, or the characters typed", U"aéb.", "Ctrl+V", false, true,
       true, "ab|"},
  };
  for (const PasteCase& c : cases) {
    AsciiInjector inner(c.hasV);
    FakeBoard board(inner, c.available, c.accepts);
    const auto key = PasteKey::parse(c.pasteKey);
    ASSERT_TRUE(key) << c.pasteKey;
    PastingInjector injector(inner, board, *key);
    play(injector, c.ops);
    EXPECT_EQ(transcript(inner, board), c.seen) << "catches " << c.fault;
  }
}

// Catches a character announced as typeable when the desktop takes no clipboard, and pasted
// characters announced to the inner injector, which would make ready keys for them.
TEST(PastingInjectorTest, CanTypeAndExpectedCharsFollowTheBoard) {
  for (const bool available : {true, false}) {
    AsciiInjector inner(true);
    FakeBoard board(inner, available, true);
    PastingInjector injector(inner, board, PasteKey::standard());
    EXPECT_TRUE(injector.canType(U'a'));
    EXPECT_EQ(injector.canType(U'é'), available);
    injector.expectChars(U"aé中b");
    EXPECT_EQ(inner.expected, U"ab");
  }
}

// Catches names the user writes in another case being turned down, and chords that would type
// instead of paste, or that no key can press, being taken.
TEST(PastingInjectorTest, PasteKeyTextsReadBackOrAreRejected) {
  const std::pair<const char*, const char*> cases[] = {
      {"Ctrl+V", "Ctrl+V"},           {" control + shift + v ", "Ctrl+Shift+V"}, {"Shift+Insert", "Shift+Insert"},
      {"shift+ctrl+v", "Ctrl+Shift+V"}, {"Alt+p", "Alt+P"},                      {"V", ""},
      {"Insert", ""},                  {"Ctrl+", ""},                            {"Ctrl+Shift", ""},
      {"Ctrl+F5", ""},                 {"Ctrl+VV", ""},                          {"Super+V", ""},
      {"", ""},
  };
  for (const auto& [text, format] : cases) {
    const auto key = PasteKey::parse(text);
    EXPECT_EQ(key ? key->format() : "", format) << '"' << text << '"';
  }
  EXPECT_EQ(PasteKey::parse("Ctrl+V"), PasteKey::standard());
}
