// The one place where UTF-8 texts meet the W functions.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace timelock {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

std::wstring WindowTextW(HWND window);
std::string WindowText(HWND window);

}  // namespace timelock
