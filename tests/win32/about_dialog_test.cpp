// The About box and the main window's system commands, on the real main window run modally as
// the program runs it; and the main window's icon.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "win32/support/live_dialog_fixture.h"
#include "win32/support/modal_script.h"
#include "win32/support/owned_window.h"

namespace veskar {
namespace {

using testing::CancelOwnedWindow;
using testing::FrameBytes;
using testing::ModalScript;
using testing::OpenOwnedWindow;
using testing::PostKey;
using testing::WindowTextOf;

// What the About box showed when a step looked at it.
struct AboutView {
    bool open = false;
    std::wstring caption;
    LRESULT defaultId = 0;
    std::wstring okText;
    LONG_PTR okStyle = 0;
    bool mainWindowEnabled = true;
    POINT centreOffset{};  // the box's centre minus the main window's
};

POINT Centre(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

AboutView LookAtAbout(HWND mainWindow) {
    AboutView view;
    view.mainWindowEnabled = IsWindowEnabled(mainWindow) != FALSE;
    const HWND about = OpenOwnedWindow(mainWindow);
    if (about == nullptr) return view;
    view.open = true;
    view.caption = WindowTextOf(about);
    view.defaultId = SendMessageW(about, DM_GETDEFID, 0, 0);
    const HWND ok = GetDlgItem(about, IDOK);
    view.okText = WindowTextOf(ok);
    view.okStyle = GetWindowLongPtrW(ok, GWL_STYLE);
    const POINT box = Centre(about);
    const POINT main = Centre(mainWindow);
    view.centreOffset = {box.x - main.x, box.y - main.y};
    return view;
}

void ExpectAboutBox(const AboutView& view) {
    ASSERT_TRUE(view.open);
    EXPECT_EQ(view.caption, L"About Veskar");
    EXPECT_EQ(view.defaultId, MAKELRESULT(IDOK, DC_HASDEFID));
    EXPECT_EQ(view.okText, L"确定");
    EXPECT_EQ(view.okStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_FALSE(view.mainWindowEnabled);
    EXPECT_LE(std::abs(view.centreOffset.x), 1);
    EXPECT_LE(std::abs(view.centreOffset.y), 1);
}

void PostSysCommand(HWND window, WPARAM id) {
    PostMessageW(window, WM_SYSCOMMAND, id, 0);
}

// The main window, run modally as the application's main window so that it owns the box.
class AboutDialogTest : public ::testing::Test {
  protected:
    AboutDialogTest() { framework::SetMainWindow(&dialog); }
    ~AboutDialogTest() override { framework::SetMainWindow(nullptr); }

    testing::RecordingCommPort port;
    SerialLink link{port};
    ReadChunk chunk{};
    testing::FakePrompts prompts;
    framework::ScopedPrompts scopedPrompts{prompts};
    MonitorDialog dialog{link, chunk};
    MonitorDialogTestAccess access{dialog};
};

// The entry that the window adds at the end of its system menu, after a separator, opens the box.
TEST_F(AboutDialogTest, LastEntryOfTheSystemMenuOpensTheAboutBox) {
    std::wstring entryText;
    bool separatorBefore = false;
    AboutView seen;
    bool openAfterOk = true;
    ModalScript script(dialog);
    script.Then([&](HWND window) {
        const HMENU menu = GetSystemMenu(window, FALSE);
        ASSERT_NE(menu, nullptr);
        const int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        separatorBefore =
            (GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR) != 0;
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
        entryText = text;
        PostSysCommand(window, GetMenuItemID(menu, count - 1));
    });
    script.Then([&](HWND window) {
        seen = LookAtAbout(window);
        const HWND about = OpenOwnedWindow(window);
        if (about != nullptr) SendDlgItemMessageW(about, IDOK, BM_CLICK, 0, 0);
    });
    script.Then([&](HWND window) { openAfterOk = OpenOwnedWindow(window) != nullptr; });
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);

    EXPECT_TRUE(separatorBefore);
    EXPECT_EQ(entryText, L"About Veskar(&A)...");
    ExpectAboutBox(seen);
    EXPECT_FALSE(openAfterOk);
}

// The system keeps the low four bits of a command id: every id from 16 to 31 is the entry, and
// the ids just outside that range open nothing.
TEST_F(AboutDialogTest, CommandIdsSixteenToThirtyOneOpenTheBox) {
    struct Case {
        WPARAM id;
        bool opens;
    };
    const Case cases[] = {{16, true}, {17, true}, {31, true}, {15, false}, {32, false}};
    std::vector<AboutView> seen(std::size(cases));
    ModalScript script(dialog);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        script.Then([&, i](HWND window) { PostSysCommand(window, cases[i].id); });
        script.Then([&, i](HWND window) {
            seen[i] = LookAtAbout(window);
            CancelOwnedWindow(window);
        });
    }
    bool enabledAtEnd = false;
    script.Then([&](HWND window) {
        enabledAtEnd = OpenOwnedWindow(window) == nullptr && IsWindowEnabled(window) != FALSE;
    });
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);

    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("id " + std::to_string(cases[i].id));
        if (cases[i].opens) {
            ExpectAboutBox(seen[i]);
        } else {
            EXPECT_FALSE(seen[i].open);
            EXPECT_TRUE(seen[i].mainWindowEnabled);
        }
    }
    EXPECT_TRUE(enabledAtEnd);
}

// OK, Enter, Escape and the close box each end the box and give the main window back.
TEST_F(AboutDialogTest, EndsByItsButtonTheKeysAndTheCloseBox) {
    struct Way {
        const char* name;
        void (*end)(HWND about);
    };
    const Way ways[] = {
        {"OK", [](HWND about) { SendDlgItemMessageW(about, IDOK, BM_CLICK, 0, 0); }},
        {"Enter", [](HWND about) { PostKey(GetDlgItem(about, IDOK), VK_RETURN); }},
        {"Escape", [](HWND about) { PostKey(GetDlgItem(about, IDOK), VK_ESCAPE); }},
        {"close box", [](HWND about) { PostSysCommand(about, SC_CLOSE); }},
    };
    std::vector<bool> ended(std::size(ways));
    ModalScript script(dialog);
    for (std::size_t i = 0; i < std::size(ways); ++i) {
        script.Then([](HWND window) { PostSysCommand(window, IDM_ABOUT_BOX); });
        script.Then([&, i](HWND window) {
            const HWND about = OpenOwnedWindow(window);
            ASSERT_NE(about, nullptr);
            ways[i].end(about);
        });
        script.Then([&, i](HWND window) {
            ended[i] = OpenOwnedWindow(window) == nullptr && IsWindowEnabled(window) != FALSE;
        });
    }
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);
    for (std::size_t i = 0; i < std::size(ways); ++i) EXPECT_TRUE(ended[i]) << ways[i].name;
}

// The system's own commands keep their usual meaning: minimise, restore, and close, which ends
// the main window with IDCANCEL.
TEST_F(AboutDialogTest, OtherSystemCommandsBehaveAsUsual) {
    bool minimised = false;
    bool restored = false;
    ModalScript script(dialog);
    script.Then([](HWND window) { PostSysCommand(window, SC_MINIMIZE); });
    script.Then([&](HWND window) {
        minimised = IsIconic(window) != FALSE;
        PostSysCommand(window, SC_RESTORE);
    });
    script.Then([&](HWND window) {
        restored = IsIconic(window) == FALSE && IsWindowVisible(window) != FALSE;
        PostSysCommand(window, SC_CLOSE);
    });
    EXPECT_EQ(RunCancellingStrays(script), IDCANCEL);
    EXPECT_TRUE(minimised);
    EXPECT_TRUE(restored);
    EXPECT_EQ(script.StepsRun(), 3u);
}

// Monitoring goes on while the box is open: the main window's own timer keeps adding rows.
TEST_F(AboutDialogTest, FramesKeepArrivingWhileTheBoxIsOpen) {
    int rowsAtOpen = -1;
    int rowsLater = -1;
    bool openLater = false;
    std::string newestData;
    ModalScript script(dialog);
    script.Then([&](HWND window) {
        SendDlgItemMessageW(window, IDC_OPEN_DEVICE, BM_CLICK, 0, 0);
        SendDlgItemMessageW(window, IDC_START_MONITOR, BM_CLICK, 0, 0);
        PostSysCommand(window, IDM_ABOUT_BOX);
    });
    script.Then([&](HWND window) {
        ASSERT_NE(OpenOwnedWindow(window), nullptr);
        rowsAtOpen = access.FrameList().ItemCount();
        port.Queue(FrameBytes({0xA0, 0x00, 0x10}));
        port.Queue(FrameBytes({0xA1}));
    });
    AddIdleSteps(script, 10);
    script.Then([&](HWND window) {
        openLater = OpenOwnedWindow(window) != nullptr;
        rowsLater = access.FrameList().ItemCount();
        newestData = access.FrameList().ItemText(rowsLater - 1, 3);
        CancelOwnedWindow(window);
    });
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);

    EXPECT_EQ(rowsAtOpen, 0);
    EXPECT_TRUE(openLater);
    EXPECT_EQ(rowsLater, 2);
    EXPECT_EQ(newestData, "S<50:r>");
}

// The window shows the 32 x 32 image of the program's icon as its big and its small icon.
TEST_F(AboutDialogTest, MainWindowShowsTheLargeIconImageAsBigAndSmallIcon) {
    HICON big = nullptr;
    HICON small = nullptr;
    ModalScript script(dialog);
    script.Then([&](HWND window) {
        big = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
        small = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    });
    EXPECT_EQ(RunCancellingStrays(script), ModalScript::kStillOpen);

    ASSERT_NE(big, nullptr);
    EXPECT_EQ(small, big);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(big, &info));
    BITMAP image{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof image, &image);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(image.bmWidth, 32);
    EXPECT_EQ(image.bmHeight, 32);
}

}  // namespace
}  // namespace veskar
