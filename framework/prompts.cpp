#include "framework/prompts.h"

#include <commdlg.h>

#include <vector>

namespace framework {

namespace {

PlatformPrompts platformPrompts;
Prompts* currentPrompts = &platformPrompts;

// "Name|*.ext||" becomes "Name\0*.ext\0\0", the double NUL ending the list.
std::vector<wchar_t> PlatformFilter(const std::wstring& filter) {
    std::vector<wchar_t> result(filter.begin(), filter.end());
    for (wchar_t& c : result) {
        if (c == L'|') c = L'\0';
    }
    result.push_back(L'\0');
    result.push_back(L'\0');
    return result;
}

}  // namespace

Prompts& Prompts::Current() {
    return *currentPrompts;
}

int PlatformPrompts::ShowMessageBox(HWND owner, const std::wstring& text,
                                    const std::wstring& caption, UINT flags) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), flags);
}

std::optional<std::wstring> PlatformPrompts::SaveFileName(const SaveFileRequest& request) {
    std::vector<wchar_t> filter = PlatformFilter(request.filter);
    std::vector<wchar_t> path(MAX_PATH, L'\0');
    request.initialName.copy(path.data(), path.size() - 1);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.data();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt =
        request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    return std::wstring(path.data());
}

ScopedPrompts::ScopedPrompts(Prompts& replacement) : previous_(currentPrompts) {
    currentPrompts = &replacement;
}

ScopedPrompts::~ScopedPrompts() {
    currentPrompts = previous_;
}

}  // namespace framework
