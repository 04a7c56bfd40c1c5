#pragma once

#include <string>

namespace automate {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// Writes UTF-8 text followed by a bare "\n" to standard output, unchanged by any text mode.
void PrintLine(const std::string& utf8);
// Writes UTF-8 text and a newline to standard error.
void PrintError(const std::string& utf8);

}  // namespace automate
