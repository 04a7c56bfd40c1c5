#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace automate {

// Calls `done` every `intervalMs` (50 by default) until it returns true or `seconds` have
// passed; returns its last result.
bool PollUntil(double seconds, int intervalMs, const std::function<bool()>& done);
inline bool PollUntil(double seconds, const std::function<bool()>& done) {
    return PollUntil(seconds, 50, done);
}

// The visible top-level window whose caption is exactly `title`, preferring dialogs; or null.
HWND FindTopLevelWindow(const std::wstring& title);

// A visible dialog (class "#32770") owned by `owner`, for which `accept` holds; or null.
HWND FindOwnedDialog(HWND owner, const std::function<bool(HWND)>& accept);

// The child control with `id` of `parent`; throws when there is none.
HWND Control(HWND parent, long id);

// The window's text, read through WM_GETTEXT, which the system carries across processes.
// The window's text; empty if it does not answer within a few seconds (pollers try again).
std::wstring WindowText(HWND window);
// The same, but a window that does not answer is an error rather than an empty text.
std::wstring AnsweredWindowText(HWND window);
void SetWindowTextOf(HWND window, const std::wstring& text);

std::wstring ClassNameOf(HWND window);

// Every descendant window of `parent`, in the order the system enumerates them.
std::vector<HWND> ChildWindows(HWND parent);

// Sends a message and waits at most `milliseconds` for it to be handled; false on a time-out
// (for example when the handler runs a modal loop) or when the target does not answer.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT milliseconds,
                     LRESULT* result = nullptr);

}  // namespace automate
