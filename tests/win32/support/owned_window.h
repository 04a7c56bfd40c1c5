#pragma once

#include <windows.h>

#include <string>

#include "win32/support/modal_script.h"

namespace veskar::testing {

struct OwnedWindowSearch {
    HWND owner;
    HWND found;
};

// A CALLBACK function, not a lambda, so that it has the calling convention of 32-bit Windows.
inline BOOL CALLBACK CheckOwnedWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<OwnedWindowSearch*>(lParam);
    if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowEnabled(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// The modal dialog opened over `owner`: the enabled top-level window of this thread that `owner`
// owns; null when there is none. It counts from its creation on: the modal loop shows it only
// once no message is waiting, and a script step may come first.
inline HWND OpenOwnedWindow(HWND owner) {
    OwnedWindowSearch search{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), CheckOwnedWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Cancels the dialog open over `owner`, if any, as its close box does.
inline void CancelOwnedWindow(HWND owner) {
    if (const HWND open = OpenOwnedWindow(owner)) PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
}

// Runs the script; a dialog that a failed step left open over the main window is cancelled
// first, so that the main window can end.
inline INT_PTR RunCancellingStrays(ModalScript& script) {
    script.Then(CancelOwnedWindow);
    return script.Run();
}

// Lets the main window's own timer run for a while inside the modal loops.
inline void AddIdleSteps(ModalScript& script, int steps) {
    for (int i = 0; i < steps; ++i) script.Then([](HWND) {});
}

inline std::wstring WindowTextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

inline std::string WindowTextAnsi(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace veskar::testing
