#pragma once

#include <cstdint>
#include <string_view>

// Reads a number the way C's atoi does (leading white space, an optional sign, then digits up
// to the first other byte; 0 when there are none), except that a value beyond the signed 32-bit
// range saturates to that range instead of being undefined.
std::int32_t atoiSaturating(std::string_view text);
