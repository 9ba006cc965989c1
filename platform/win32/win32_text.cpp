#include "platform/win32/win32_text.h"

#include "platform/text_rules.h"

namespace timelock {

std::wstring Widen(std::string_view text) {
    const std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(std::wstring_view text) {
    const std::u16string wide(text.begin(), text.end());
    return Utf16ToUtf8(wide);
}

std::wstring WindowTextW(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string WindowText(HWND window) { return Narrow(WindowTextW(window)); }

}  // namespace timelock
