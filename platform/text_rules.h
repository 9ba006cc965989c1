// Text and number rules shared by the handlers and the controls. Texts are
// UTF-8; UTF-16 appears only at the Windows edge, through the converters here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace timelock {

// Byte-wise comparison as unsigned bytes up to the first zero byte: exactly -1, 0 or +1.
int CompareText(std::string_view first, std::string_view second) noexcept;

// Decimal as "%d" writes it.
std::string NumberToText(int value);

// The value of a text that is exactly what NumberToText would write, else nothing.
std::optional<int> ParsePlainDecimal(std::string_view text) noexcept;

// Whole-number fields take control codes, '-' and the digits; anything else is dropped.
constexpr bool PassesWholeNumberFilter(std::uint32_t code) noexcept {
    return code < 32 || code == '-' || (code >= '0' && code <= '9');
}

// The focus-loss rewrite of a whole-number field: optional white space and sign,
// then the digits up to the first non-digit, clamped to 32 bits and written in
// plain decimal. A text without digits becomes empty; zero stays "0".
std::string RewriteWholeNumber(std::string_view text);

// Ill-formed sequences become U+FFFD, so every input converts.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace timelock
