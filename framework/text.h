#pragma once

#include <string>
#include <string_view>

namespace framework {

// Conversions between the program's narrow strings (the system's ANSI code page) and the wide
// strings of the W API.
std::wstring WidenAnsi(std::string_view text);
std::string NarrowAnsi(std::wstring_view text);

}  // namespace framework
