#include "keys/KeyTextCheck.h"

#include <charconv>
#include <utility>

#include "keys/KeyTextScanner.h"
#include "keys/KeyTokens.h"
#include "text/Utf8.h"

namespace {

// A token is quoted whole up to this many bytes, else its beginning and an ellipsis.
constexpr std::size_t longestQuote = 32;

// The piece of text as the message shows it: in quotes, line breaks and other control bytes as
// blanks, cut short at a character's boundary.
std::string quote(std::string_view piece) {
  bool shortened = false;
  if (piece.size() > longestQuote) {
    std::size_t cut = longestQuote - 4;
    while (cut > 0 && (static_cast<unsigned char>(piece[cut]) & 0xC0U) == 0x80U) --cut;
    piece = piece.substr(0, cut);
    shortened = true;
  }
  std::string out = "\"";
  for (const char c : piece) out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  if (shortened) out += "\u2026";
  return out + "\"";
}

// A whole number as written: an optional sign, then digits, within the 32-bit range.
std::optional<std::int32_t> wholeNumber(std::string_view word) {
  if (word.starts_with('+')) word.remove_prefix(1);
  if (word.empty() || word.starts_with('+')) return std::nullopt;
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

// Whether the numbers written after a mouse prefix (the closing ">" excluded) are two whole
// numbers that translation reads as written.
bool numbersReadAsWritten(std::string_view written, std::int32_t x, std::int32_t y) {
  std::vector<std::int32_t> numbers;
  std::size_t pos = 0;
  while (pos < written.size()) {
    if (written[pos] == ' ') {
      ++pos;
      continue;
    }
    const std::size_t end = std::min(written.find(' ', pos), written.size());
    const std::optional<std::int32_t> number = wholeNumber(written.substr(pos, end - pos));
    if (!number) return false;
    numbers.push_back(*number);
    pos = end;
  }
  return numbers.size() == 2 && numbers[0] == x && numbers[1] == y;
}

// Whether b comes from a by one insertion, deletion, substitution or swap of two neighbours.
bool oneEditApart(std::string_view a, std::string_view b) {
  if (a.size() > b.size()) std::swap(a, b);
  if (b.size() - a.size() > 1) return false;
  std::size_t i = 0;
  while (i < a.size() && a[i] == b[i]) ++i;
  if (i == b.size()) return false;
  if (a.size() < b.size()) return a.substr(i) == b.substr(i + 1);
  if (a.substr(i + 1) == b.substr(i + 1)) return true;
  return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] && a.substr(i + 2) == b.substr(i + 2);
}

// The one key name an edit away from an unknown upper-case token, as "; did you mean <ENTER>?";
// nothing when there is none or more than one ("<F25>" is as near to "<F2>" as to "<F24>"), where
// a guess would mislead.
std::string likelyName(const KeyTokens& tokens, std::string_view upper) {
  std::string_view found;
  for (const auto& [name, code] : tokens.entries()) {
    if (!oneEditApart(upper, name)) continue;
    if (!found.empty()) return {};
    found = name;
  }
  return found.empty() ? std::string() : "; did you mean " + std::string(found) + "?";
}

// Marks the character piece [begin, end) as pasted or skipped, joined to a finding of the same
// kind just before it; false when a new finding would pass the limit.
bool markDelivery(std::vector<KeyTextCheck::Finding>& findings, std::string_view text, KeyTextCheck::Kind kind,
                  std::size_t begin, std::size_t end, std::size_t limit) {
  if (!findings.empty() && findings.back().kind == kind && findings.back().end == begin) {
    begin = findings.back().begin;
    findings.pop_back();
  } else if (findings.size() >= limit) {
    return false;
  }
  std::size_t characters = 0;
  for (std::size_t i = begin; i < end; ++i) characters += (static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U;
  const std::string them = characters == 1 ? "it" : "them";
  const std::string message =
      kind == KeyTextCheck::Kind::pasted
          ? " will be pasted: the keyboard layout has no key for " + them
          : " will be skipped: the keyboard layout has no key for " + them + " and the desktop lets Zentak paste nothing";
  findings.push_back({kind, begin, end, quote(text.substr(begin, end - begin)) + message});
  return true;
}

}  // namespace

KeyTextCheck::KeyTextCheck(const KeyTokens& tokenTable) : tokens(tokenTable) {}

std::vector<KeyTextCheck::Finding> KeyTextCheck::check(std::string_view text, std::optional<Screen> screen,
                                                       std::size_t limit, const DeliveryOf& delivery) const {
  std::vector<Finding> findings;
  std::string upper;
  KeyTextScanner scanner(text);
  while (findings.size() < limit) {
    const std::optional<KeyTextScanner::Piece> piece = scanner.next();
    if (!piece) break;
    const std::string_view written = text.substr(piece->begin, piece->end - piece->begin);
    if (piece->kind == KeyTextScanner::Kind::unterminated) {
      findings.push_back({Kind::unterminatedToken, piece->begin, piece->end,
                          quote(written) + " has no closing \">\": it and the rest will be skipped"});
      continue;
    }
    if (piece->kind == KeyTextScanner::Kind::character && delivery) {
      std::size_t pos = piece->begin;
      const char32_t c = decodeUtf8(text, pos);
      // Control characters are keys (Tab) or nothing, never typed as characters.
      const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
      const Delivery how = control ? Delivery::typed : delivery(c);
      if (how == Delivery::typed) continue;
      if (!markDelivery(findings, text, how == Delivery::pasted ? Kind::pasted : Kind::skipped, piece->begin,
                        piece->end, limit)) {
        break;
      }
      continue;
    }
    if (piece->kind != KeyTextScanner::Kind::token) continue;
    const KeyTextScanner::Reading reading = KeyTextScanner::readToken(tokens, written, upper);
    if (reading.kind == KeyTextScanner::Reading::Kind::unknown && upper.starts_with(noTokenPrefix)) {
      findings.push_back({Kind::noToken, piece->begin, piece->end,
                          quote(written) + ": a key with no token was pressed here: skipped"});
      continue;
    }
    if (reading.kind == KeyTextScanner::Reading::Kind::unknown) {
      findings.push_back({Kind::unknownToken, piece->begin, piece->end,
                          quote(written) + " is not a key name: it will be skipped" + likelyName(tokens, upper)});
      continue;
    }
    if (reading.kind != KeyTextScanner::Reading::Kind::mouse) continue;
    const std::size_t prefix = KeyTextScanner::mousePrefixLength(upper);
    const std::string_view numbers = written.substr(prefix, written.size() - prefix - 1);
    const std::string point = std::to_string(reading.x) + ", " + std::to_string(reading.y);
    if (!numbersReadAsWritten(numbers, reading.x, reading.y)) {
      findings.push_back({Kind::malformedMouse, piece->begin, piece->end,
                          quote(written) + " needs two whole numbers X Y: it will use " + point});
    } else if (screen && (reading.x < 0 || reading.y < 0 || reading.x >= screen->width ||
                          reading.y >= screen->height)) {
      findings.push_back({Kind::mouseOffScreen, piece->begin, piece->end,
                          quote(written) + " is outside the screen (" + std::to_string(screen->width) + " x " +
                              std::to_string(screen->height) + ")"});
    }
  }
  return findings;
}
