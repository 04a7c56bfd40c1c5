// A small window for testing veskar-automate itself: the kinds of controls the main window has
// (buttons, radio buttons, a drop-down list, edits, a report-view list that reports double
// clicks) plus a save dialog and a message box, so that the helper is checked independently of the
// program it drives.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <string>

namespace {

enum ControlId {
    kAddRow = 100,
    kDisabled = 101,
    kSave = 102,
    kRadioA = 110,
    kRadioB = 111,
    kCombo = 120,
    kList = 200,
    kStatus = 300,
};

HWND g_list = nullptr;
HWND g_status = nullptr;
int g_rows = 0;

void AddChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x,
              int y, int w, int h) {
    CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

void SetSubItem(int row, int column, const std::wstring& text) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(g_list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

// Row n holds "n", a Chinese text, the length of its data and a data text ending in a space.
void AddRow() {
    const int row = g_rows++;
    const std::wstring seq = std::to_wstring(row + 1);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(seq.c_str());
    SendMessageW(g_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SetSubItem(row, 1, L"时间");
    SetSubItem(row, 2, std::to_wstring(row % 7));
    SetSubItem(row, 3, L"S<50:w>" + std::wstring(static_cast<size_t>(row % 7), L'A') + L" ");
    SetWindowTextW(g_status, (L"已添加 " + seq).c_str());
}

void Save(HWND owner) {
    wchar_t path[MAX_PATH] = L"";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"Log files (*.xls)\0*.xls\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = L"xls";
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameW(&ofn)) {
        SetWindowTextW(g_status, L"cancelled");
        return;
    }
    SetWindowTextW(g_status, path);
    MessageBoxW(owner, L"文件保存完毕！", L"automate_fixture", MB_OK | MB_ICONEXCLAMATION);
}

void CreateControls(HWND window) {
    AddChild(window, L"BUTTON", L"Add row", BS_PUSHBUTTON | WS_TABSTOP, kAddRow, 10, 10, 80, 24);
    AddChild(window, L"BUTTON", L"Disabled", BS_PUSHBUTTON | WS_DISABLED, kDisabled, 100, 10, 80,
             24);
    AddChild(window, L"BUTTON", L"Save", BS_PUSHBUTTON | WS_TABSTOP, kSave, 190, 10, 80, 24);
    AddChild(window, L"BUTTON", L"A", BS_AUTORADIOBUTTON | WS_GROUP, kRadioA, 10, 40, 60, 20);
    AddChild(window, L"BUTTON", L"B", BS_AUTORADIOBUTTON, kRadioB, 80, 40, 60, 20);
    AddChild(window, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_TABSTOP, kCombo, 150, 40, 80, 120);
    AddChild(window, L"EDIT", L"", WS_BORDER | ES_AUTOHSCROLL, kStatus, 10, 70, 300, 22);
    AddChild(window, WC_LISTVIEWW, L"", LVS_REPORT | WS_BORDER, kList, 10, 100, 460, 250);
    g_list = GetDlgItem(window, kList);
    g_status = GetDlgItem(window, kStatus);
    SendMessageW(GetDlgItem(window, kRadioA), BM_SETCHECK, BST_CHECKED, 0);
    for (const wchar_t* port : {L"COM1", L"COM2", L"COM3"}) {
        SendDlgItemMessageW(window, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port));
    }
    const wchar_t* headings[] = {L"Seq", L"Time", L"Len", L"Data"};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = i == 3 ? 200 : 60;
        column.pszText = const_cast<wchar_t*>(headings[i]);
        SendMessageW(g_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
}

void OnCommand(HWND window, int id, int code) {
    if (id == kAddRow) AddRow();
    if (id == kSave) Save(window);
    if (id == kRadioA || id == kRadioB) SetWindowTextW(g_status, id == kRadioA ? L"A" : L"B");
    if (id == kCombo && code == CBN_SELCHANGE) {
        const LRESULT index = SendDlgItemMessageW(window, kCombo, CB_GETCURSEL, 0, 0);
        SetWindowTextW(g_status, (L"selected " + std::to_wstring(index)).c_str());
    }
    if (id == IDCANCEL) DestroyWindow(window);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateControls(window);
            return 0;
        case WM_COMMAND:
            OnCommand(window, LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            // A double click on a row names the row, so a test can check where a click landed.
            const auto* notice = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
            if (notice->hdr.idFrom == kList && notice->hdr.code == NM_DBLCLK) {
                SetWindowTextW(g_status,
                               (L"double-clicked " + std::to_wstring(notice->iItem)).c_str());
            }
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW cls = {};
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = instance;
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = L"AutomateFixture";
    RegisterClassW(&cls);
    const HWND window =
        CreateWindowExW(0, cls.lpszClassName, L"Automate Fixture 自动", WS_OVERLAPPEDWINDOW, 50, 50,
                        500, 400, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
