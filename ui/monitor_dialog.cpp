#include "ui/monitor_dialog.h"

#include "framework/application.h"
#include "ui/resource_ids.h"

namespace veskar {

namespace {

constexpr COLORREF kListBackground = RGB(247, 247, 255);
constexpr COLORREF kListText = RGB(0, 0, 255);

struct ListColumn {
    const wchar_t* heading;
    int width;  // pixels
};
constexpr ListColumn kListColumns[] = {{L"Seq", 40}, {L"Time", 90}, {L"Len", 40}, {L"Data", 380}};

}  // namespace

MonitorDialog::MonitorDialog(SerialLink& serialLink, ReadChunk& readChunk)
    : framework::Dialog(IDD_MONITOR_DIALOG),
      appIcon_(LoadIconW(framework::ResourceInstance(), MAKEINTRESOURCEW(IDR_APP_ICON))),
      serialLink_(serialLink),
      readChunk_(readChunk) {}

// The font and the capture buffer go with their members; an open recorder file is closed by its
// file object. The timer ends with the window, and the port stays open until the process ends.
MonitorDialog::~MonitorDialog() = default;

INT_PTR MonitorDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            OnTimer(static_cast<UINT_PTR>(wParam));
            return TRUE;
        case WM_SYSCOMMAND:
            OnSysCommand(static_cast<UINT>(wParam), lParam);
            return TRUE;
        case WM_PAINT:
            OnPaint();
            return TRUE;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        default:
            return Dialog::OnMessage(message, wParam, lParam);
    }
}

bool MonitorDialog::OnCommand(int id, int code, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
            case IDC_OPEN_DEVICE:
                OnOpenDevice();
                return true;
            case IDC_CLOSE_DEVICE:
                OnCloseDevice();
                return true;
            case IDC_START_MONITOR:
                OnStartMonitor();
                return true;
            case IDC_STOP_MONITOR:
                OnStopMonitor();
                return true;
            case IDC_CLEAR:
                OnClear();
                return true;
            case IDC_SAVE:
                OnSave();
                return true;
            case IDC_REALTIME_SHOW:
                OnRealtimeShow();
                return true;
            case IDC_REALTIME_SAVE:
                OnRealtimeSave();
                return true;
            default:
                break;
        }
    }
    return Dialog::OnCommand(id, code, control);
}

bool MonitorDialog::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom == IDC_FRAME_LIST && header.code == NM_DBLCLK) {
        OnListDoubleClick(header, result);
        return true;
    }
    return Dialog::OnNotify(header, result);
}

// Every exchange covers all four bindings in this order: the port and the mode are read before
// the FrameNum text, so they keep a new choice even when the text turns out invalid.
void MonitorDialog::DoDataExchange(framework::DataExchange& exchange) {
    exchange.Control(IDC_FRAME_LIST, frameList_);
    exchange.ComboIndex(IDC_COM_PORT, portIndex_);
    exchange.Radio(IDC_REALTIME_SHOW, displayMode_);
    exchange.Text(IDC_FRAME_NUM, frameNum_);
}

bool MonitorDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    AddAboutMenuEntry();
    AsWindow().SetIcon(ICON_BIG, appIcon_);
    AsWindow().SetIcon(ICON_SMALL, appIcon_);
    CreateListFont();
    SetUpFrameList();
    return true;  // the system focuses the first control with a tab stop, "Open"
}

void MonitorDialog::OnOK() {
    Dialog::OnOK();
}

void MonitorDialog::OnClear() {
    frameList_.DeleteAllItems();
    frameCounter_ = 0;
    Item(IDC_FRAME_NUM).SetTextAnsi("0");
}

void MonitorDialog::OnPaint() {
    if (!AsWindow().IsMinimized()) {
        Default();
        return;
    }
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(Handle(), &paint);
    AsWindow().Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    const RECT client = AsWindow().ClientRect();
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, appIcon_);
    EndPaint(Handle(), &paint);
}

void MonitorDialog::AddAboutMenuEntry() const {
    const HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    if (systemMenu == nullptr) return;
    wchar_t text[256] = {};
    if (LoadStringW(framework::ResourceInstance(), IDS_ABOUT_MENU_ENTRY, text,
                    static_cast<int>(std::size(text))) == 0) {
        return;
    }
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUT_BOX, text);
}

void MonitorDialog::CreateListFont() {
    listFont_.Reset(CreateFontW(12, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, L"宋体"));
    if (listFont_.Handle() != nullptr) frameList_.SetFont(listFont_.Handle());
}

void MonitorDialog::SetUpFrameList() const {
    frameList_.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    frameList_.SetBackgroundColor(kListBackground);
    frameList_.SetTextColor(kListText);
    frameList_.SetTextBackgroundColor(kListBackground);
    int index = 0;
    for (const ListColumn& column : kListColumns) {
        frameList_.InsertColumn(index++, column.heading, column.width);
    }
}

}  // namespace veskar
