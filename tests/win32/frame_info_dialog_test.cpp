// The frame detail dialog on the real main window, run modally as the program runs it: which
// double clicks open it, what its fields show, how it ends, and that it keeps its texts while
// frames go on arriving behind it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/application.h"
#include "win32/support/live_dialog_fixture.h"
#include "win32/support/modal_script.h"
#include "win32/support/owned_window.h"

namespace veskar {
namespace {

using testing::Bytes;
using testing::CancelOwnedWindow;
using testing::FrameBytes;
using testing::ModalScript;
using testing::OpenOwnedWindow;
using testing::PostKey;
using testing::RowTexts;
using testing::WindowTextAnsi;
using testing::WindowTextOf;

constexpr int kSeqColumn = 0;
constexpr int kDataColumn = 3;

// The centre of a cell of the list, in the list's client coordinates, scrolled into view first.
POINT CellCentre(HWND list, int row, int subItem) {
    ListView_EnsureVisible(list, row, FALSE);
    RECT cell{};
    // The bounds of subitem 0 are the whole row; its label is the first column alone.
    ListView_GetSubItemRect(list, row, subItem, subItem == 0 ? LVIR_LABEL : LVIR_BOUNDS, &cell);
    return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

// A double click as the mouse makes it: the cursor stands on the point and the list receives the
// button message from the queue, so the handler finds the point in the message position.
void DoubleClickAt(HWND list, POINT client) {
    POINT screen = client;
    ClientToScreen(list, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(client.x, client.y));
}

// What the detail dialog showed when a step looked at it.
struct DetailView {
    bool open = false;
    std::wstring caption;
    RowTexts fields;
    int focusId = 0;
};

DetailView LookAtDetail(HWND mainWindow) {
    DetailView view;
    const HWND detail = OpenOwnedWindow(mainWindow);
    if (detail == nullptr) return view;
    view.open = true;
    view.caption = WindowTextOf(detail);
    const auto field = [detail](int id) { return WindowTextAnsi(GetDlgItem(detail, id)); };
    view.fields = {field(IDC_INFO_SEQ), field(IDC_INFO_TIME), field(IDC_INFO_LEN),
                   field(IDC_INFO_DATA)};
    const HWND focus = GetFocus();
    if (focus != nullptr && GetParent(focus) == detail) view.focusId = GetDlgCtrlID(focus);
    return view;
}

RowTexts TextsOfRow(int row) {
    char data[32];
    std::snprintf(data, sizeof data, "S<50:w>%02X %02X ", row & 0xFF, (row >> 8) & 0xFF);
    return {std::to_string(row + 1), "10:" + std::to_string(10 + row % 50) + ":00",
            std::to_string(3 + row % 7), data};
}

// The main window, run modally as the application's main window so that it owns the detail
// dialog; the rows are put into its list directly, each with texts of its own.
class FrameInfoDialogTest : public ::testing::Test {
  protected:
    FrameInfoDialogTest() { framework::SetMainWindow(&dialog); }
    ~FrameInfoDialogTest() override { framework::SetMainWindow(nullptr); }

    const framework::ListView& List() const { return access.FrameList(); }
    HWND ListHandle() const { return List().Handle(); }

    // The list draws itself once at the end rather than after every row.
    void AddRows(int count) const {
        List().Send(WM_SETREDRAW, FALSE);
        for (int row = List().ItemCount(); count-- > 0; ++row) AddRow(TextsOfRow(row));
        List().Send(WM_SETREDRAW, TRUE);
    }
    void AddRow(const RowTexts& texts) const {
        const int row = List().AppendItem(texts.seq.c_str());
        List().SetSubItemText(row, 1, texts.time.c_str());
        List().SetSubItemText(row, 2, texts.len.c_str());
        List().SetSubItemText(row, 3, texts.data.c_str());
    }
    RowTexts Row(int row) const {
        return {List().ItemText(row, 0), List().ItemText(row, 1), List().ItemText(row, 2),
                List().ItemText(row, 3)};
    }

    testing::RecordingCommPort port;
    SerialLink link{port};
    ReadChunk chunk{};
    testing::FakePrompts prompts;
    framework::ScopedPrompts scopedPrompts{prompts};
    MonitorDialog dialog{link, chunk};
    MonitorDialogTestAccess access{dialog};
};

// Any column of a row among the first 1000 opens that row, with the four texts in their fields
// and the focus in the Len field; the 1001st row opens nothing.
TEST_F(FrameInfoDialogTest, DoubleClickOnARowShowsItsTextsUpToTheThousandthRow) {
    struct Click {
        int row;
        int subItem;
        bool opens;
    };
    const Click clicks[] = {
        {0, 0, true},   {0, 1, true},   {0, 2, true},     {0, 3, true},     {999, 3, true},
        {999, 0, true}, {998, 2, true}, {1000, 0, false}, {1000, 3, false}, {1000, 1, false},
    };
    std::vector<DetailView> seen(std::size(clicks));
    ModalScript script(dialog);
    script.Then([&](HWND) { AddRows(1001); });
    for (std::size_t i = 0; i < std::size(clicks); ++i) {
        script.Then([&, i](HWND) {
            DoubleClickAt(ListHandle(), CellCentre(ListHandle(), clicks[i].row, clicks[i].subItem));
        });
        script.Then([&, i](HWND window) {
            seen[i] = LookAtDetail(window);
            CancelOwnedWindow(window);
        });
    }
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);

    for (std::size_t i = 0; i < std::size(clicks); ++i) {
        SCOPED_TRACE("row " + std::to_string(clicks[i].row) + ", column " +
                     std::to_string(clicks[i].subItem));
        ASSERT_EQ(seen[i].open, clicks[i].opens);
        if (!clicks[i].opens) continue;
        EXPECT_EQ(seen[i].caption, L"Info Dialog");
        EXPECT_EQ(seen[i].fields, TextsOfRow(clicks[i].row));
        EXPECT_EQ(seen[i].focusId, IDC_INFO_LEN);
    }
}

// Where no row lies, a double click does nothing, and the notification's answer is 0.
TEST_F(FrameInfoDialogTest, DoubleClickWhereNoRowLiesOpensNothing) {
    std::vector<bool> opened;
    LRESULT answerOnEmptyList = -1;
    POINT belowLastRow{};
    ModalScript script(dialog);
    script.Then([&](HWND) {
        AddRows(3);
        RECT last{};
        ListView_GetItemRect(ListHandle(), 2, &last, LVIR_BOUNDS);
        belowLastRow = CellCentre(ListHandle(), 2, kDataColumn);
        belowLastRow.y += 3 * (last.bottom - last.top);
        ASSERT_LT(belowLastRow.y, List().ClientRect().bottom);
        DoubleClickAt(ListHandle(), belowLastRow);
    });
    script.Then([&](HWND window) { opened.push_back(OpenOwnedWindow(window) != nullptr); });
    script.Then([&](HWND) {
        List().DeleteAllItems();
        DoubleClickAt(ListHandle(), CellCentre(ListHandle(), 0, kSeqColumn));
    });
    script.Then([&](HWND window) {
        opened.push_back(OpenOwnedWindow(window) != nullptr);
        DoubleClickAt(ListHandle(), belowLastRow);
    });
    script.Then([&](HWND window) {
        opened.push_back(OpenOwnedWindow(window) != nullptr);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 77);
        NMHDR header{ListHandle(), IDC_FRAME_LIST, static_cast<UINT>(NM_DBLCLK)};
        answerOnEmptyList =
            SendMessageW(window, WM_NOTIFY, IDC_FRAME_LIST, reinterpret_cast<LPARAM>(&header));
    });
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);
    EXPECT_EQ(opened, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(answerOnEmptyList, 0);
}

// A Data text of many bytes is copied whole, wraps at the blanks between the bytes in the Data
// box, scrolls vertically and keeps its trailing blank.
TEST_F(FrameInfoDialogTest, LongDataWrapsAtTheBlanksAndKeepsItsTrailingBlank) {
    std::string data = "S<50:w>";
    for (int i = 0; i < 600; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X ", i & 0xFF);
        data += byte;
    }
    std::string shown;
    LONG_PTR style = 0;
    int lineCount = 0;
    std::vector<char> charsBeforeLines;
    int firstVisibleAfterPageDown = 0;
    ModalScript script(dialog);
    script.Then([&](HWND) {
        AddRow({"1", "10:00:00", "601", data});
        DoubleClickAt(ListHandle(), CellCentre(ListHandle(), 0, kDataColumn));
    });
    script.Then([&](HWND window) {
        const HWND detail = OpenOwnedWindow(window);
        ASSERT_NE(detail, nullptr);
        const HWND box = GetDlgItem(detail, IDC_INFO_DATA);
        shown = WindowTextAnsi(box);
        style = GetWindowLongPtrW(box, GWL_STYLE);
        lineCount = static_cast<int>(SendMessageW(box, EM_GETLINECOUNT, 0, 0));
        for (int line = 1; line < lineCount; ++line) {
            const auto start = SendMessageW(box, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
            charsBeforeLines.push_back(shown.at(static_cast<std::size_t>(start - 1)));
        }
        SendMessageW(box, EM_SCROLL, SB_PAGEDOWN, 0);
        firstVisibleAfterPageDown =
            static_cast<int>(SendMessageW(box, EM_GETFIRSTVISIBLELINE, 0, 0));
        CancelOwnedWindow(window);
    });
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);

    EXPECT_EQ(shown, data);
    EXPECT_EQ(shown.back(), ' ');
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & ES_AUTOHSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
    EXPECT_GT(lineCount, 1);
    for (const char before : charsBeforeLines) EXPECT_EQ(before, ' ');
    EXPECT_GT(firstVisibleAfterPageDown, 0);
}

// Edited fields stay in the dialog: whichever way it ends, the list row is as before. The dialog
// has no buttons, so Enter ends it with IDOK from a single-line field and from the multi-line
// Data box alike.
TEST_F(FrameInfoDialogTest, EditedFieldsLeaveTheListRowUnchangedWhicheverWayItEnds) {
    struct Way {
        const char* name;
        void (*end)(HWND detail);
    };
    const Way ways[] = {
        {"Enter in the Len field",
         [](HWND detail) { PostKey(GetDlgItem(detail, IDC_INFO_LEN), VK_RETURN); }},
        {"Enter in the Data box",
         [](HWND detail) { PostKey(GetDlgItem(detail, IDC_INFO_DATA), VK_RETURN); }},
        {"Escape", [](HWND detail) { PostKey(GetDlgItem(detail, IDC_INFO_SEQ), VK_ESCAPE); }},
        {"close box", [](HWND detail) { PostMessageW(detail, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        bool openAfterEnd = true;
        RowTexts rowBefore;
        MonitorDialog window(link, chunk);
        framework::SetMainWindow(&window);
        MonitorDialogTestAccess windowAccess(window);
        const auto list = [&] { return windowAccess.FrameList().Handle(); };
        ModalScript script(window);
        script.Then([&](HWND) {
            const framework::ListView& rows = windowAccess.FrameList();
            rows.AppendItem("1");
            rows.SetSubItemText(0, 1, "10:00:00");
            rows.SetSubItemText(0, 2, "3");
            rows.SetSubItemText(0, 3, "S<50:w>00 10 ");
            rowBefore = {rows.ItemText(0, 0), rows.ItemText(0, 1), rows.ItemText(0, 2),
                         rows.ItemText(0, 3)};
            DoubleClickAt(list(), CellCentre(list(), 0, kDataColumn));
        });
        script.Then([&](HWND main) {
            const HWND detail = OpenOwnedWindow(main);
            ASSERT_NE(detail, nullptr);
            for (const int id : {IDC_INFO_SEQ, IDC_INFO_TIME, IDC_INFO_LEN, IDC_INFO_DATA})
                SetDlgItemTextA(detail, id, "edited");
            way.end(detail);
        });
        script.Then([&](HWND main) { openAfterEnd = OpenOwnedWindow(main) != nullptr; });
        RowTexts rowAfter;
        script.Then([&](HWND) {
            const framework::ListView& rows = windowAccess.FrameList();
            rowAfter = {rows.ItemText(0, 0), rows.ItemText(0, 1), rows.ItemText(0, 2),
                        rows.ItemText(0, 3)};
        });
        EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);
        framework::SetMainWindow(&dialog);
        EXPECT_FALSE(openAfterEnd);
        EXPECT_EQ(rowAfter, rowBefore);
    }
}

// Monitoring goes on behind the open dialog: the main window's own timer keeps adding rows, and
// the dialog keeps showing the row it opened with.
TEST_F(FrameInfoDialogTest, RowsArrivingWhileOpenDoNotChangeIt) {
    DetailView atOpen;
    DetailView later;
    int rowsAtOpen = 0;
    int rowsLater = 0;
    std::string newestData;
    ModalScript script(dialog);
    script.Then([&](HWND window) {
        SendDlgItemMessageW(window, IDC_OPEN_DEVICE, BM_CLICK, 0, 0);
        SendDlgItemMessageW(window, IDC_START_MONITOR, BM_CLICK, 0, 0);
        port.Queue(FrameBytes({0xA0, 0x00, 0x10}));
    });
    AddIdleSteps(script, 10);
    script.Then(
        [&](HWND) { DoubleClickAt(ListHandle(), CellCentre(ListHandle(), 0, kDataColumn)); });
    script.Then([&](HWND window) {
        atOpen = LookAtDetail(window);
        rowsAtOpen = List().ItemCount();
        port.Queue(FrameBytes({0xA1, 0x55}));
        port.Queue(FrameBytes({0x91, 0x0A, 0xFF}));
    });
    AddIdleSteps(script, 10);
    script.Then([&](HWND window) {
        later = LookAtDetail(window);
        rowsLater = List().ItemCount();
        newestData = Row(rowsLater - 1).data;
        CancelOwnedWindow(window);
    });
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);

    ASSERT_TRUE(atOpen.open);
    EXPECT_EQ(rowsAtOpen, 1);
    EXPECT_EQ(atOpen.fields.seq, "1");
    EXPECT_EQ(atOpen.fields.data, "S<50:w>00 10 ");
    EXPECT_EQ(rowsLater, 3);
    EXPECT_EQ(newestData, "S<48:r>0A FF ");
    ASSERT_TRUE(later.open);
    EXPECT_EQ(later.fields, atOpen.fields);
}

}  // namespace
}  // namespace veskar
