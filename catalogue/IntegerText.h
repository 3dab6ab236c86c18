#pragma once
// Integer values as the program converts text to numbers (INI values, the
// game entry's `begin`, `end` and `icon`).
//
// Accepted: leading spaces (0x20 only), an optional sign, then either decimal
// digits (-2147483648..2147483647) or a hexadecimal number after "$", "x",
// "X", "0x" or "0X" (at least one hex digit, either case, up to 32 bits, so
// "$FFFFFFFF" is -1). Nothing may follow the digits, not even blanks.
// A sign before a hexadecimal prefix ("-$10") is rejected: the runtime the
// catalogue was written for reads a sign only before decimal digits.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kodrix {

std::optional<std::int32_t> parseInteger(std::string_view text);

// parseInteger, or Error("'%s' is not a valid integer value") with the text
// as given.
std::int32_t strToInt(std::string_view text);

}  // namespace kodrix
