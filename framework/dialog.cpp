#include "framework/dialog.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "framework/application.h"
#include "framework/error_report.h"
#include "ui/resource_ids.h"

namespace framework {

namespace {

// Dialog-init records as the resource compiler lays them out: control id, message, data
// length, data; a control id of 0 ends the list. 0x0403 is the 16-bit CB_ADDSTRING.
constexpr WORD kOldComboAddString = 0x0403;

template <typename T>
bool ReadValue(const BYTE*& at, const BYTE* end, T& value) {
    if (end - at < static_cast<std::ptrdiff_t>(sizeof(T))) return false;
    std::memcpy(&value, at, sizeof(T));
    at += sizeof(T);
    return true;
}

// The rectangle a window opens centred in: its owner, or the work area for a window without one.
RECT CentringArea(HWND window) {
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    const HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr || !IsWindowVisible(owner) || IsIconic(owner)) return workArea;
    RECT ownerRect{};
    GetWindowRect(owner, &ownerRect);
    return ownerRect;
}

// A multi-line edit without ES_WANTRETURN leaves Enter to the dialog, which then presses its
// default button or, having none, ends with IDOK. Windows' edit control says so in its answer
// to WM_GETDLGCODE; Wine's asks for every key and passes Enter on only to an existing default
// button. This subclass gives the documented answer on both.
LRESULT CALLBACK LeaveEnterToDialog(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR subclassId, DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, LeaveEnterToDialog, subclassId);
    LRESULT answer = DefSubclassProc(edit, message, wParam, lParam);
    if (message != WM_GETDLGCODE || lParam == 0) return answer;
    const auto* key = reinterpret_cast<const MSG*>(lParam);
    const bool plainEnter =
        key->message == WM_KEYDOWN && key->wParam == VK_RETURN && GetKeyState(VK_CONTROL) >= 0;
    if (plainEnter) answer &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
    return answer;
}

BOOL CALLBACK SubclassMultiLineEdit(HWND child, LPARAM) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (lstrcmpiW(className, L"Edit") == 0 && (style & ES_MULTILINE) != 0 &&
        (style & ES_WANTRETURN) == 0)
        SetWindowSubclass(child, LeaveEnterToDialog, 0, 0);
    return TRUE;
}

}  // namespace

Dialog::Dialog(int templateId, HWND owner) : templateId_(templateId), owner_(owner) {}

Dialog::~Dialog() {
    DestroyModeless();
}

INT_PTR Dialog::DoModal() {
    modal_ = true;
    endResult_.reset();
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(templateId_), OwnerForCreation(),
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(HWND owner) {
    modal_ = false;
    endResult_.reset();
    const HWND created = CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(templateId_),
                                            owner != nullptr ? owner : OwnerForCreation(),
                                            DialogProc, reinterpret_cast<LPARAM>(this));
    return created != nullptr;
}

void Dialog::DestroyModeless() {
    if (!modal_ && hwnd_ != nullptr) DestroyWindow(hwnd_);
}

HWND Dialog::OwnerForCreation() const {
    if (owner_ != nullptr) return owner_;
    const Dialog* main = MainWindow();
    return main != nullptr && main != this ? main->Handle() : nullptr;
}

bool Dialog::UpdateData(bool fromControls) {
    DataExchange exchange(
        hwnd_,
        fromControls ? DataExchange::Direction::FromControls : DataExchange::Direction::ToControls,
        controlHandles_);
    try {
        DoDataExchange(exchange);
        return true;
    } catch (const DataExchange::Failure&) {
        return false;
    }
}

void Dialog::EndDialog(INT_PTR result) {
    endResult_ = result;
    if (modal_) ::EndDialog(hwnd_, result);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* created = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(created));
        created->hwnd_ = hwnd;
        created->controlHandles_.Clear();
    }
    // Messages sent before WM_INITDIALOG (WM_SETFONT) find no object yet.
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr) return FALSE;
    const INT_PTR result = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    // Handlers may send messages to the dialog; each message keeps its own default request.
    const bool outerDefault = passToDefault_;
    passToDefault_ = false;
    INT_PTR result = FALSE;
    try {
        result = OnMessage(message, wParam, lParam);
    } catch (...) {
        try {
            ReportException(hwnd_, std::current_exception());
        } catch (...) {
            // Nothing may leave the dialog procedure, not even a failure to report.
        }
        if (message == WM_INITDIALOG) EndDialog(-1);
        result = FALSE;
    }
    const bool toDefault = passToDefault_;
    passToDefault_ = outerDefault;
    return toDefault ? FALSE : result;
}

INT_PTR Dialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            EnumChildWindows(hwnd_, SubclassMultiLineEdit, 0);
            const bool focusFirstControl = OnInitDialog();
            CenterWindow();
            return focusFirstControl ? TRUE : FALSE;
        }
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam))
                       ? TRUE
                       : FALSE;
        case WM_NOTIFY: {
            LRESULT notifyResult = 0;
            if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), notifyResult)) return FALSE;
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, notifyResult);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

bool Dialog::OnInitDialog() {
    if (!ApplyDialogInit() || !UpdateData(false)) {
        EndDialog(-1);
        return false;
    }
    return true;
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnCommand(int id, int code, HWND) {
    if (code == BN_CLICKED && id == IDOK) {
        OnOK();
        return true;
    }
    if (code == BN_CLICKED && id == IDCANCEL) {
        OnCancel();
        return true;
    }
    Application* application = Application::Current();
    return code == 0 && application != nullptr && application->OnCommand(id);
}

bool Dialog::OnNotify(const NMHDR&, LRESULT&) {
    return false;
}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool Dialog::ApplyDialogInit() {
    const HINSTANCE instance = ResourceInstance();
    const HRSRC resource =
        FindResourceW(instance, MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(RT_DIALOG_INIT));
    if (resource == nullptr) return true;  // the template has no init data
    const HGLOBAL loaded = LoadResource(instance, resource);
    const auto* at = static_cast<const BYTE*>(LockResource(loaded));
    if (at == nullptr) return false;
    const BYTE* const end = at + SizeofResource(instance, resource);

    for (;;) {
        WORD controlId = 0;
        if (!ReadValue(at, end, controlId)) return false;
        if (controlId == 0) return true;
        WORD messageId = 0;
        DWORD length = 0;
        if (!ReadValue(at, end, messageId) || !ReadValue(at, end, length)) return false;
        if (end - at < static_cast<std::ptrdiff_t>(length)) return false;
        if (messageId != kOldComboAddString && messageId != CB_ADDSTRING) return false;
        // The entry's text, NUL-terminated inside its data.
        const std::string text(reinterpret_cast<const char*>(at),
                               strnlen(reinterpret_cast<const char*>(at), length));
        at += length;
        const LRESULT added = SendDlgItemMessageA(hwnd_, controlId, CB_ADDSTRING, 0,
                                                  reinterpret_cast<LPARAM>(text.c_str()));
        if (added == CB_ERR || added == CB_ERRSPACE) return false;
    }
}

void Dialog::CenterWindow() {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    const RECT area = CentringArea(hwnd_);
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const LONG left = area.left + (area.right - area.left - width) / 2;
    const LONG top = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace framework
