#include "framework/application.h"

#include "framework/dialog.h"
#include "framework/prompts.h"
#include "ui/resource_ids.h"

namespace framework {

namespace {

Application* currentApplication = nullptr;
Dialog* mainWindow = nullptr;

// 0x20000 + the template id: the help context of a dialog window.
constexpr DWORD kDialogHelpContextBase = 0x20000;

std::wstring TitleOfPath(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/:");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

bool NoModifierDown() {
    return GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
}

// Modal loops of the dialog manager, message boxes and menus pass each message through the
// message filter hook before they handle it.
LRESULT CALLBACK HelpKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && message->message == WM_KEYDOWN && message->wParam == VK_F1 &&
        NoModifierDown()) {
        Dialog* main = MainWindow();
        if (main != nullptr && main->Handle() != nullptr) {
            SendMessageW(main->Handle(), WM_COMMAND, MAKEWPARAM(ID_HELP_COMMAND, 0), 0);
            return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

const std::wstring& ApplicationTitle() {
    static const std::wstring title = TitleOfPath(ProgramPath());
    return title;
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HINSTANCE ResourceInstance() {
    return GetModuleHandleW(nullptr);
}

void SetMainWindow(Dialog* dialog) {
    mainWindow = dialog;
}
Dialog* MainWindow() {
    return mainWindow;
}

int ShowMessage(HWND owner, const std::wstring& text, UINT flags) {
    if ((flags & MB_TYPEMASK) == MB_OK && (flags & MB_ICONMASK) == 0) flags |= MB_ICONEXCLAMATION;
    return Prompts::Current().ShowMessageBox(owner, text, ApplicationTitle(), flags);
}

std::wstring HelpFilePath() {
    std::wstring path = ProgramPath();
    const std::size_t slash = path.find_last_of(L"\\/:");
    const std::size_t dot = path.rfind(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) {
        path.erase(dot);
    }
    return path + L".HLP";
}

HelpKey::HelpKey()
    : hook_(SetWindowsHookExW(WH_MSGFILTER, HelpKeyFilter, nullptr, GetCurrentThreadId())) {}

HelpKey::~HelpKey() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

Application::Application() {
    currentApplication = this;
}

Application::~Application() {
    if (currentApplication == this) currentApplication = nullptr;
}

Application* Application::Current() {
    return currentApplication;
}

int Application::Run() {
    HelpKey helpKey;
    InitInstance();
    return 0;
}

bool Application::OnCommand(int id) {
    if (id != ID_HELP_COMMAND) return false;
    OnHelp();
    return true;
}

void Application::OnHelp() {
    Dialog* main = MainWindow();
    if (main == nullptr) return;
    const std::wstring helpFile = HelpFilePath();
    WinHelpW(main->Handle(), helpFile.c_str(), HELP_CONTEXT,
             kDialogHelpContextBase + static_cast<DWORD>(main->TemplateId()));
}

}  // namespace framework
