#include "tools/automate/windows.h"

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "tools/automate/text.h"

namespace automate {

namespace {

constexpr UINT kQueryTimeoutMs = 5000;

struct TitleSearch {
    const std::wstring* title;
    HWND dialog = nullptr;
    HWND other = nullptr;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<TitleSearch*>(lParam);
    if (!IsWindowVisible(window) || WindowText(window) != *search->title) return TRUE;
    if (ClassNameOf(window) == L"#32770") {
        search->dialog = window;
        return FALSE;
    }
    if (search->other == nullptr) search->other = window;
    return TRUE;
}

struct OwnedSearch {
    HWND owner;
    const std::function<bool(HWND)>* accept;
    HWND found = nullptr;
};

BOOL CALLBACK MatchOwned(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<OwnedSearch*>(lParam);
    if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window)) return TRUE;
    if (ClassNameOf(window) != L"#32770" || !(*search->accept)(window)) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

}  // namespace

bool PollUntil(double seconds, int intervalMs, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
    }
}

HWND FindTopLevelWindow(const std::wstring& title) {
    TitleSearch search{&title};
    EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&search));
    return search.dialog != nullptr ? search.dialog : search.other;
}

HWND FindOwnedDialog(HWND owner, const std::function<bool(HWND)>& accept) {
    OwnedSearch search{owner, &accept};
    EnumWindows(MatchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Control(HWND parent, long id) {
    const HWND control = GetDlgItem(parent, static_cast<int>(id));
    if (control == nullptr) throw std::runtime_error("no control with id " + std::to_string(id));
    return control;
}

namespace {

// The window's text, or nothing if it does not answer within the query timeout.
std::optional<std::wstring> QueryWindowText(HWND window) {
    LRESULT length = 0;
    if (!SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, kQueryTimeoutMs, &length)) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    SendWithTimeout(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                    reinterpret_cast<LPARAM>(text.data()), kQueryTimeoutMs, &copied);
    text.resize(static_cast<size_t>(copied));
    return text;
}

}  // namespace

std::wstring WindowText(HWND window) {
    return QueryWindowText(window).value_or(std::wstring());
}

std::wstring AnsweredWindowText(HWND window) {
    std::optional<std::wstring> text = QueryWindowText(window);
    if (!text) {
        throw std::runtime_error("the window did not answer within " +
                                 std::to_string(kQueryTimeoutMs / 1000) + " s");
    }
    return *text;
}

void SetWindowTextOf(HWND window, const std::wstring& text) {
    if (!SendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                         kQueryTimeoutMs)) {
        throw std::runtime_error("the window did not take the text");
    }
}

std::wstring ClassNameOf(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return std::wstring(name, static_cast<size_t>(length > 0 ? length : 0));
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT milliseconds,
                     LRESULT* result) {
    DWORD_PTR answer = 0;
    const LRESULT ok =
        SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, milliseconds, &answer);
    if (result != nullptr) *result = static_cast<LRESULT>(answer);
    return ok != 0;
}

}  // namespace automate
