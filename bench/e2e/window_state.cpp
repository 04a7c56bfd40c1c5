// window_state.exe TITLE minimize|restore|is-minimized: minimises or restores the top-level
// window with this caption, or exits with 0 if it is minimised and 1 if not. Under Xvfb there is
// no window manager to ask, so the state is set from Win32.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::wstring Widen(const char* text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length > 0 ? length - 1 : 0));
    return wide;
}

}  // namespace

int main(int argc, char** argv) {
    const bool query = argc == 3 && std::strcmp(argv[2], "is-minimized") == 0;
    if (argc != 3 ||
        (!query && std::strcmp(argv[2], "minimize") != 0 && std::strcmp(argv[2], "restore"))) {
        std::fprintf(stderr, "usage: window_state TITLE minimize|restore|is-minimized\n");
        return 2;
    }
    const HWND window = FindWindowW(nullptr, Widen(argv[1]).c_str());
    if (window == nullptr) {
        std::fprintf(stderr, "no window \"%s\"\n", argv[1]);
        return 1;
    }
    if (query) return IsIconic(window) != FALSE ? 0 : 1;
    const bool minimize = std::strcmp(argv[2], "minimize") == 0;
    ShowWindow(window, minimize ? SW_MINIMIZE : SW_RESTORE);
    if ((IsIconic(window) != FALSE) != minimize) {
        std::fprintf(stderr, "the window did not change its state\n");
        return 1;
    }
    return 0;
}
