#include "tools/automate/text.h"

#include <windows.h>

namespace automate {

std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(const std::wstring& utf16) {
    if (utf16.empty()) return {};
    const int size = static_cast<int>(utf16.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

namespace {

void WriteTo(DWORD which, const std::string& utf8) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    const std::string line = utf8 + "\n";
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        // A real console shows UTF-16 right whatever its code page.
        const std::wstring wide = Widen(line);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    DWORD written = 0;
    WriteFile(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

void PrintLine(const std::string& utf8) {
    WriteTo(STD_OUTPUT_HANDLE, utf8);
}
void PrintError(const std::string& utf8) {
    WriteTo(STD_ERROR_HANDLE, utf8);
}

}  // namespace automate
