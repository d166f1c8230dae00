#include "keys/UsLayout.h"

#include <array>
#include <string_view>

namespace {

// Each key of the US typing block: its virtual-key code, the character it types alone and the
// one it types with Shift.
struct UsKey {
  std::uint8_t keyCode;
  char plain;
  char shifted;
};

constexpr std::array<UsKey, 22> punctuationKeys{{
    {48, '0', ')'},  {49, '1', '!'},  {50, '2', '@'},  {51, '3', '#'},  {52, '4', '$'},  {53, '5', '%'},
    {54, '6', '^'},  {55, '7', '&'},  {56, '8', '*'},  {57, '9', '('},  {32, ' ', ' '},  {186, ';', ':'},
    {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'}, {190, '.', '>'}, {191, '/', '?'}, {192, '`', '~'},
    {219, '[', '{'}, {220, '\\', '|'}, {221, ']', '}'}, {222, '\'', '"'},
}};

// Answers for every printable ASCII character, indexed by the character.
std::array<std::optional<KeyScan>, 128> buildTable() {
  std::array<std::optional<KeyScan>, 128> table{};
  for (char c = 'a'; c <= 'z'; ++c) {
    const auto code = static_cast<std::uint8_t>(c - 'a' + 'A');
    table[static_cast<std::size_t>(c)] = KeyScan{code, 0};
    table[static_cast<std::size_t>(code)] = KeyScan{code, KeyMod::shift};
  }
  // Shifted first, so that the space key keeps its unshifted answer.
  for (const UsKey& key : punctuationKeys) {
    table[static_cast<std::size_t>(key.shifted)] = KeyScan{key.keyCode, KeyMod::shift};
    table[static_cast<std::size_t>(key.plain)] = KeyScan{key.keyCode, 0};
  }
  return table;
}

const std::array<std::optional<KeyScan>, 128> usTable = buildTable();

}  // namespace

std::optional<KeyScan> UsLayout::keyScan(char32_t c) const {
  if (c >= usTable.size()) return std::nullopt;
  return usTable[c];
}
