#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The token table: the exact upper-case token texts, brackets included, and the code each
// one appends to a key-action list. Built once; read-only afterwards, so any thread may read it.
class KeyTokens {
 public:
  KeyTokens();

  // The code of an upper-case token such as "<ENTER>", or nothing for an unknown token.
  [[nodiscard]] std::optional<std::uint8_t> find(std::string_view token) const;

  [[nodiscard]] const std::map<std::string, std::uint8_t, std::less<>>& entries() const { return table; }

 private:
  std::map<std::string, std::uint8_t, std::less<>> table;
};
