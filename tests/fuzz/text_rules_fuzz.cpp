// Arbitrary UTF-16 text through the field rules: the rewrite gives empty or
// plain decimal and is idempotent, the key filter keeps only '-' and digits,
// and CompareText is an antisymmetric three-way comparison.
#include "platform/text_rules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsPlainDecimal(const std::string& text) { return timelock::ParsePlainDecimal(text).has_value(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    const std::string text = timelock::Utf16ToUtf8(units);

    const std::string once = timelock::RewriteWholeNumber(text);
    Require(once.empty() || IsPlainDecimal(once));
    Require(timelock::RewriteWholeNumber(once) == once);

    std::u16string typed;
    for (char16_t unit : units) {
        if (timelock::PassesWholeNumberFilter(unit) && unit >= 32) typed += unit;
    }
    for (char16_t unit : typed) Require(unit == u'-' || (unit >= u'0' && unit <= u'9'));

    const std::size_t half = text.size() / 2;
    const std::string first = text.substr(0, half);
    const std::string second = text.substr(half);
    const int forward = timelock::CompareText(first, second);
    Require(forward == -1 || forward == 0 || forward == 1);
    Require(timelock::CompareText(second, first) == -forward);
    Require(timelock::CompareText(text, text) == 0);
    return 0;
}
