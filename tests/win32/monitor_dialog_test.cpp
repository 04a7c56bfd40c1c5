// The main window as the program creates it from its template: initial state, data exchange,
// Clear and the ways of ending it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/serial_link.h"
#include "fakes/recording_comm_port.h"
#include "framework/application.h"
#include "ui/monitor_app.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"
#include "win32/support/fake_prompts.h"
#include "win32/support/modal_script.h"
#include "win32/support/monitor_dialog_access.h"

namespace veskar {
namespace {

using testing::FakePrompts;
using testing::ModalScript;
using testing::PostKey;

const wchar_t kNumberMessage[] = L"“请填入一个正整数。”";

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

bool IsChecked(HWND button) {
    return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class MonitorDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dialog.CreateModeless()); }

    HWND Dialog() const { return dialog.Handle(); }
    HWND Control(int id) const { return GetDlgItem(dialog.Handle(), id); }
    void SetFrameNumText(const wchar_t* text) const {
        SetWindowTextW(Control(IDC_FRAME_NUM), text);
    }
    void ChoosePort(int index) const {
        SendMessageW(Control(IDC_COM_PORT), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    void CheckMode(int showChecked, int saveChecked) const {
        SendMessageW(Control(IDC_REALTIME_SHOW), BM_SETCHECK, showChecked, 0);
        SendMessageW(Control(IDC_REALTIME_SAVE), BM_SETCHECK, saveChecked, 0);
    }
    int SelectedPort() const {
        return static_cast<int>(SendMessageW(Control(IDC_COM_PORT), CB_GETCURSEL, 0, 0));
    }

    veskar::testing::RecordingCommPort port;
    SerialLink link{port};
    ReadChunk chunk{};
    FakePrompts prompts;
    framework::ScopedPrompts scopedPrompts{prompts};
    MonitorDialog dialog{link, chunk};
    MonitorDialogTestAccess access{dialog};
};

TEST_F(MonitorDialogTest, OpensWithTheInitialStateOfEveryControl) {
    struct Expected {
        int id;
        bool enabled;
        const wchar_t* text;
    };
    const Expected controls[] = {
        {IDC_OPEN_DEVICE, true, L"Open"},
        {IDC_CLOSE_DEVICE, true, L"Close"},
        {IDC_START_MONITOR, false, L"Start Monitor"},
        {IDC_STOP_MONITOR, false, L"Stop"},
        {IDC_CLEAR, true, L"Clear"},
        {IDC_SAVE, true, L"Save"},
        {IDC_STATUS_LINE, false, L""},
        {IDC_REALTIME_SHOW, true, L"Realtime-Show"},
        {IDC_REALTIME_SAVE, true, L"Realtime-Save"},
        {IDC_FRAME_NUM, true, L"0"},
        {IDC_COM_PORT, true, L"COM2"},
        {IDC_FRAME_LIST, true, L""},
    };
    for (const Expected& expected : controls) {
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(IsWindowEnabled(Control(expected.id)) != FALSE, expected.enabled);
        EXPECT_EQ(TextOf(Control(expected.id)), expected.text);
    }
    EXPECT_EQ(TextOf(Dialog()), L"Veskar V2.0.8.11");
    EXPECT_TRUE(IsChecked(Control(IDC_REALTIME_SHOW)));
    EXPECT_FALSE(IsChecked(Control(IDC_REALTIME_SAVE)));
    EXPECT_EQ(SelectedPort(), 1);
    EXPECT_EQ(access.PortIndex(), 1);
    EXPECT_EQ(access.DisplayMode(), kRealtimeShow);
    EXPECT_EQ(access.FrameNum(), 0u);
    EXPECT_EQ(access.FrameCounter(), 0);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(GetFocus(), Control(IDC_OPEN_DEVICE));  // the first enabled tab stop
}

TEST_F(MonitorDialogTest, PortListHoldsTheEightPortsInOrder) {
    const framework::ComboBox ports(Control(IDC_COM_PORT));
    std::vector<std::string> entries;
    for (int i = 0; i < ports.Count(); ++i) entries.push_back(ports.ItemText(i));
    EXPECT_EQ(entries, (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6",
                                                 "COM7", "COM8"}));
}

TEST_F(MonitorDialogTest, FrameListIsSetUpWithColumnsFontAndColours) {
    const framework::ListView& list = access.FrameList();
    ASSERT_EQ(list.Handle(), Control(IDC_FRAME_LIST));
    EXPECT_EQ(list.ItemCount(), 0);
    struct Column {
        const wchar_t* heading;
        int width;
    };
    const Column columns[] = {{L"Seq", 40}, {L"Time", 90}, {L"Len", 40}, {L"Data", 380}};
    ASSERT_EQ(list.ColumnCount(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list.ColumnHeading(i), columns[i].heading);
        EXPECT_EQ(list.ColumnWidth(i), columns[i].width);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_SUBITEM;
        list.Send(LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
        EXPECT_EQ(column.iSubItem, i);
    }

    EXPECT_EQ(list.ExtendedStyle(), static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES));
    EXPECT_EQ(list.Send(LVM_GETBKCOLOR), static_cast<LRESULT>(RGB(247, 247, 255)));
    EXPECT_EQ(list.Send(LVM_GETTEXTCOLOR), static_cast<LRESULT>(RGB(0, 0, 255)));
    EXPECT_EQ(list.Send(LVM_GETTEXTBKCOLOR), static_cast<LRESULT>(RGB(247, 247, 255)));

    const HFONT font = reinterpret_cast<HFONT>(list.Send(WM_GETFONT));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font, access.ListFont());
    LOGFONTW logFont{};
    ASSERT_NE(GetObjectW(font, sizeof(logFont), &logFont), 0);
    EXPECT_EQ(logFont.lfHeight, 12);
    EXPECT_EQ(logFont.lfWidth, 0);
    EXPECT_EQ(logFont.lfWeight, FW_DONTCARE);
    EXPECT_EQ(logFont.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(logFont.lfPitchAndFamily, DEFAULT_PITCH | FF_SWISS);
    EXPECT_STREQ(logFont.lfFaceName, L"宋体");
}

TEST_F(MonitorDialogTest, WindowCarriesTheAppIconAndTheAboutEntry) {
    const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_APP_ICON));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(access.AppIcon(), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Dialog(), WM_GETICON, ICON_BIG, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Dialog(), WM_GETICON, ICON_SMALL, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(Dialog(), WM_QUERYDRAGICON, 0, 0)), icon);

    const HMENU menu = GetSystemMenu(Dialog(), FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUT_BOX));
    wchar_t text[64] = {};
    GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"About Veskar(&A)...");
}

TEST_F(MonitorDialogTest, OpensCentredOnTheWorkArea) {
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT window{};
    GetWindowRect(Dialog(), &window);
    EXPECT_NEAR((window.left + window.right) / 2, (workArea.left + workArea.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (workArea.top + workArea.bottom) / 2, 1);
}

// Reading the FrameNum field: blanks and tabs around, an optional '+', saturation at the top of
// the unsigned range, and only the first 31 characters count.
TEST_F(MonitorDialogTest, ReadsFrameNumTextByTheUnsignedRules) {
    struct Case {
        std::wstring text;
        bool valid;
        std::uint32_t value;
    };
    const Case cases[] = {
        {L"0", true, 0},
        {L"00", true, 0},
        {L"7", true, 7},
        {L" 12 ", true, 12},
        {L"\t12\t", true, 12},
        {L"+12", true, 12},
        {L"  +0012  ", true, 12},
        {L"4294967295", true, 4294967295u},
        {L"4294967296", true, 4294967295u},
        {L"99999999999999999999999", true, 4294967295u},
        {L"5" + std::wstring(30, L' ') + L"x", true, 5},  // x is the 32nd character
        {L"0000000000000000000000000000009", true, 9},
        {L"00000000000000000000000000000098", true, 9},
        {L"abc", false, 0},
        {L"-1", false, 0},
        {L"-0", false, 0},
        {L"12a", false, 0},
        {L"1 2", false, 0},
        {L"", false, 0},
        {L"   ", false, 0},
        {L"+0", false, 0},
        {L"+", false, 0},
        {L"++1", false, 0},
        {L"0x10", false, 0},
        {L"１２", false, 0},  // full-width digits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.text));
        access.SetFrameNum(31337);
        prompts.messages.clear();
        SetFrameNumText(c.text.c_str());

        EXPECT_EQ(dialog.UpdateData(true), c.valid);
        if (c.valid) {
            EXPECT_EQ(access.FrameNum(), c.value);
            EXPECT_TRUE(prompts.messages.empty());
        } else {
            EXPECT_EQ(access.FrameNum(), 31337u);
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0].text, kNumberMessage);
            EXPECT_EQ(prompts.messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
            EXPECT_EQ(prompts.messages[0].caption, framework::ApplicationTitle());
        }
    }
}

TEST_F(MonitorDialogTest, InvalidFrameNumFocusesTheFieldWithItsTextSelected) {
    SetFocus(Control(IDC_OPEN_DEVICE));
    SetFrameNumText(L"12a");
    SendMessageW(Control(IDC_FRAME_NUM), EM_SETSEL, 1, 1);

    EXPECT_FALSE(dialog.UpdateData(true));

    EXPECT_EQ(GetFocus(), Control(IDC_FRAME_NUM));
    DWORD start = 99, end = 99;
    SendMessageW(Control(IDC_FRAME_NUM), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
}

TEST_F(MonitorDialogTest, InvalidFrameNumStillTakesThePortAndModeReadBeforeIt) {
    ChoosePort(4);
    CheckMode(BST_UNCHECKED, BST_CHECKED);
    SetFrameNumText(L"abc");

    EXPECT_FALSE(dialog.UpdateData(true));

    EXPECT_EQ(access.PortIndex(), 4);
    EXPECT_EQ(access.DisplayMode(), kRealtimeSave);
    EXPECT_EQ(access.FrameNum(), 0u);
}

TEST_F(MonitorDialogTest, ModeReadsMinusOneWhenNoRadioButtonIsSelected) {
    CheckMode(BST_UNCHECKED, BST_UNCHECKED);
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(access.DisplayMode(), -1);

    // Towards the controls, -1 clears both buttons and leaves the FrameNum field alone.
    CheckMode(BST_CHECKED, BST_UNCHECKED);
    EXPECT_TRUE(dialog.UpdateData(false));
    EXPECT_FALSE(IsChecked(Control(IDC_REALTIME_SHOW)));
    EXPECT_FALSE(IsChecked(Control(IDC_REALTIME_SAVE)));
}

TEST_F(MonitorDialogTest, ExchangeTowardsTheControlsPutsBackTheLastReadChoice) {
    ChoosePort(6);
    access.SetFrameNum(77);
    dialog.UpdateData(false);
    EXPECT_EQ(SelectedPort(), 1);  // "COM2", the value held since the start
    EXPECT_TRUE(IsChecked(Control(IDC_REALTIME_SHOW)));
    EXPECT_EQ(TextOf(Control(IDC_FRAME_NUM)), L"77");

    ChoosePort(4);
    CheckMode(BST_UNCHECKED, BST_CHECKED);
    ASSERT_TRUE(dialog.UpdateData(true));
    ChoosePort(7);
    CheckMode(BST_CHECKED, BST_UNCHECKED);
    access.SetFrameNum(4294967295u);
    dialog.UpdateData(false);
    EXPECT_EQ(SelectedPort(), 4);  // "COM5", read by the last exchange from the controls
    EXPECT_FALSE(IsChecked(Control(IDC_REALTIME_SHOW)));
    EXPECT_TRUE(IsChecked(Control(IDC_REALTIME_SAVE)));
    EXPECT_EQ(TextOf(Control(IDC_FRAME_NUM)), L"4294967295");
}

TEST_F(MonitorDialogTest, ClearEmptiesTheListAndShowsZeroWithoutAnExchange) {
    for (const bool withRows : {true, false}) {
        SCOPED_TRACE(withRows);
        if (withRows) {
            for (const char* seq : {"1", "2", "3"}) {
                const int row = access.FrameList().AppendItem(seq);
                access.FrameList().SetSubItemText(row, 3, "S<50:w>");
            }
            ASSERT_EQ(access.FrameList().ItemCount(), 3);
        }
        access.SetFrameCounter(3);
        access.SetFrameNum(3);
        ChoosePort(5);  // not read back by Clear
        SetFrameNumText(L"3");

        SendMessageW(Control(IDC_CLEAR), BM_CLICK, 0, 0);

        EXPECT_EQ(access.FrameList().ItemCount(), 0);
        EXPECT_EQ(access.FrameCounter(), 0);
        EXPECT_EQ(TextOf(Control(IDC_FRAME_NUM)), L"0");
        EXPECT_EQ(access.FrameNum(), 3u);
        EXPECT_EQ(access.PortIndex(), 1);
        EXPECT_TRUE(prompts.messages.empty());

        dialog.UpdateData(false);
        EXPECT_EQ(TextOf(Control(IDC_FRAME_NUM)), L"3");
    }
}

// Ending the window runs modally, as the program does, on a new window object each time.
class MonitorDialogEndingTest : public ::testing::Test {
  protected:
    INT_PTR RunNewWindow(ModalScript::Step first, ModalScript::Step second = nullptr) {
        MonitorDialog dialog(link, chunk);
        ModalScript script(dialog);
        script.Then(std::move(first));
        if (second) script.Then(std::move(second));
        return script.Run();
    }

    veskar::testing::RecordingCommPort port;
    SerialLink link{port};
    ReadChunk chunk{};
    FakePrompts prompts;
    framework::ScopedPrompts scopedPrompts{prompts};
};

TEST_F(MonitorDialogEndingTest, EnterInThePortListEndsWithAValidFrameNum) {
    const INT_PTR result = RunNewWindow([](HWND window) {
        const HWND ports = GetDlgItem(window, IDC_COM_PORT);
        SetFocus(ports);
        PostKey(ports, VK_RETURN);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(MonitorDialogEndingTest, EnterWithAnInvalidFrameNumKeepsTheWindowOpen) {
    for (const wchar_t* text : {L"abc", L"-1", L"12a", L""}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(text)));
        prompts.messages.clear();
        HWND field = nullptr;
        HWND focusAfterEnter = nullptr;
        const INT_PTR result = RunNewWindow(
            [&](HWND window) {
                field = GetDlgItem(window, IDC_FRAME_NUM);
                SetWindowTextW(field, text);
                const HWND ports = GetDlgItem(window, IDC_COM_PORT);
                SetFocus(ports);
                PostKey(ports, VK_RETURN);
            },
            [&](HWND) { focusAfterEnter = GetFocus(); });
        EXPECT_EQ(result, ModalScript::kStillOpen);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, kNumberMessage);
        EXPECT_EQ(focusAfterEnter, field);
    }
}

TEST_F(MonitorDialogEndingTest, EnterOnAPushButtonPressesItInsteadOfEnding) {
    int rowsAfterEnter = -1;
    const INT_PTR result = RunNewWindow(
        [](HWND window) {
            ListView_InsertItem(GetDlgItem(window, IDC_FRAME_LIST), nullptr);
            // Moving the focus as the Tab key does also makes the button the default one.
            const HWND clear = GetDlgItem(window, IDC_CLEAR);
            SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(clear), TRUE);
            PostKey(clear, VK_RETURN);
        },
        [&](HWND window) {
            rowsAfterEnter = ListView_GetItemCount(GetDlgItem(window, IDC_FRAME_LIST));
        });
    EXPECT_EQ(result, ModalScript::kStillOpen);
    EXPECT_EQ(rowsAfterEnter, 0);
}

TEST_F(MonitorDialogEndingTest, EscapeAndTheCloseBoxEndEvenWithAnInvalidFrameNum) {
    struct Way {
        const char* name;
        void (*end)(HWND window);
    };
    const Way ways[] = {
        {"Escape", [](HWND window) { PostKey(GetDlgItem(window, IDC_FRAME_NUM), VK_ESCAPE); }},
        {"close box", [](HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND window) { PostMessageW(window, WM_CLOSE, 0, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        prompts.messages.clear();
        const INT_PTR result = RunNewWindow([&](HWND window) {
            SetWindowTextW(GetDlgItem(window, IDC_FRAME_NUM), L"abc");
            SetFocus(GetDlgItem(window, IDC_FRAME_NUM));
            way.end(window);
        });
        EXPECT_EQ(result, IDCANCEL);
        EXPECT_TRUE(prompts.messages.empty());
    }
}

HWND closedWindow = nullptr;
bool closedWasMainWindow = false;

// Closes the main window once it is up, noting whether it was the application's main window.
void CALLBACK CloseMainWindow(HWND, UINT, UINT_PTR, DWORD) {
    const HWND window = FindWindowW(nullptr, L"Veskar V2.0.8.11");
    if (window == nullptr || closedWindow != nullptr) return;
    closedWindow = window;
    closedWasMainWindow =
        framework::MainWindow() != nullptr && framework::MainWindow()->Handle() == window;
    PostMessageW(window, WM_CLOSE, 0, 0);
}

// The application's start-up runs the main window modally; closing it ends the run, and no
// window of the program remains.
TEST(MonitorAppTest, RunsTheMainWindowModallyUntilItIsClosed) {
    FakePrompts prompts;
    framework::ScopedPrompts scopedPrompts(prompts);
    veskar::testing::RecordingCommPort port;
    SerialLink link(port);
    ReadChunk chunk{};
    MonitorApp app(link, chunk);

    closedWindow = nullptr;
    closedWasMainWindow = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, CloseMainWindow);
    EXPECT_EQ(app.Run(), 0);
    KillTimer(nullptr, timer);

    ASSERT_NE(closedWindow, nullptr);
    EXPECT_TRUE(closedWasMainWindow);
    EXPECT_FALSE(IsWindow(closedWindow));
    EXPECT_EQ(framework::MainWindow(), nullptr);
    EXPECT_NE(GetModuleHandleW(L"riched32.dll"), nullptr);
    EXPECT_EQ(port.calls, std::vector<std::string>{});  // the port is never touched
}

}  // namespace
}  // namespace veskar
