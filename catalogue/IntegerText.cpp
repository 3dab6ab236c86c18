#include "IntegerText.h"

#include "Messages.h"

#include "Error.h"

namespace kodrix {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> parseHex(std::string_view digits) {
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        int d = hexDigit(c);
        if (d < 0 || value > 0x0FFFFFFFu) return std::nullopt;  // not a digit, or a 33rd bit
        value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    return static_cast<std::int32_t>(value);  // two's complement: $FFFFFFFF is -1
}

std::optional<std::int32_t> parseDecimal(std::string_view digits, bool negative) {
    if (digits.empty()) return std::nullopt;
    const std::uint32_t limit = negative ? 2147483648u : 2147483647u;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        std::uint32_t d = static_cast<std::uint32_t>(c - '0');
        if (value > (limit - d) / 10) return std::nullopt;
        value = value * 10 + d;
    }
    return negative ? static_cast<std::int32_t>(0u - value) : static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<std::int32_t> parseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::string_view rest = text.substr(i);
    if (rest.empty()) return std::nullopt;

    if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') return parseHex(rest.substr(1));
    if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) return parseHex(rest.substr(2));

    bool negative = false;
    if (rest[0] == '+' || rest[0] == '-') {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    return parseDecimal(rest, negative);
}

std::int32_t strToInt(std::string_view text) {
    if (auto v = parseInteger(text)) return *v;
    throw Error(messages::notValidInteger(text));
}

}  // namespace kodrix
