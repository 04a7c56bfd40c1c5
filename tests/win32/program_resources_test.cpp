// The program's resources as the system reads them: the main window created from its template,
// and the version resource read back through the version API.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cwctype>
#include <string>
#include <vector>

#include "capture/serial_link.h"
#include "fakes/recording_comm_port.h"
#include "framework/application.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"
#include "win32/support/fake_prompts.h"

namespace veskar {
namespace {

constexpr int kNoId = 0xFFFF;  // a control without an id of its own (-1)

enum class Kind { Picture, GroupBox, PushButton, ListView, Label, DropDownList, Edit, Radio };

struct KindInfo {
    const wchar_t* className;
    LONG_PTR typeMask;  // the style bits that tell the control's kind
    LONG_PTR type;
};

KindInfo InfoOf(Kind kind) {
    switch (kind) {
        case Kind::Picture:
            return {L"static", SS_TYPEMASK, SS_BITMAP};
        case Kind::GroupBox:
            return {L"button", BS_TYPEMASK, BS_GROUPBOX};
        case Kind::PushButton:
            return {L"button", BS_TYPEMASK, BS_PUSHBUTTON};
        case Kind::ListView:
            return {L"syslistview32", 0xFFFF, LVS_REPORT};  // no list-view style but the view
        case Kind::Label:
            return {L"static", SS_TYPEMASK, SS_LEFT};
        case Kind::DropDownList:
            return {L"combobox", 0x3 | CBS_SORT, CBS_DROPDOWNLIST};
        case Kind::Edit:
            return {L"edit", ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | ES_NUMBER,
                    ES_AUTOHSCROLL};
        case Kind::Radio:
            return {L"button", BS_TYPEMASK, BS_AUTORADIOBUTTON};
    }
    return {};
}

struct TemplateControl {
    Kind kind;
    int id;
    const wchar_t* text;  // nullptr: not compared (the picture)
    RECT dialogUnits;     // x, y, width, height
    LONG_PTR styles;      // of WS_TABSTOP, WS_GROUP, WS_DISABLED, WS_BORDER, WS_VSCROLL
};

// Template order, which is also the tab order.
const TemplateControl kMainWindowControls[] = {
    {Kind::Picture, kNoId, nullptr, {300, 2, 123, 54}, 0},
    {Kind::GroupBox, kNoId, L"Device", {2, 3, 296, 36}, 0},
    {Kind::PushButton, IDC_OPEN_DEVICE, L"Open", {113, 17, 44, 14}, WS_TABSTOP},
    {Kind::PushButton, IDC_CLOSE_DEVICE, L"Close", {176, 17, 45, 14}, WS_TABSTOP},
    {Kind::GroupBox, kNoId, L"I2C Active Info", {2, 79, 421, 296}, 0},
    {Kind::PushButton,
     IDC_START_MONITOR,
     L"Start Monitor",
     {10, 45, 64, 14},
     WS_TABSTOP | WS_DISABLED},
    {Kind::PushButton, IDC_STOP_MONITOR, L"Stop", {94, 45, 49, 14}, WS_TABSTOP | WS_DISABLED},
    {Kind::PushButton, IDC_CLEAR, L"Clear", {164, 45, 49, 14}, WS_TABSTOP},
    {Kind::ListView, IDC_FRAME_LIST, L"", {2, 89, 421, 285}, WS_BORDER | WS_TABSTOP},
    {Kind::Label, kNoId, L"ComPort:", {11, 20, 33, 8}, WS_GROUP},
    {Kind::DropDownList, IDC_COM_PORT, L"COM2", {48, 18, 50, 116}, WS_TABSTOP},
    {Kind::PushButton, IDC_SAVE, L"Save", {236, 45, 51, 14}, WS_TABSTOP},
    {Kind::Edit, IDC_STATUS_LINE, L"", {11, 64, 168, 14}, WS_BORDER | WS_TABSTOP | WS_DISABLED},
    {Kind::Radio, IDC_REALTIME_SHOW, L"Realtime-Show", {189, 66, 68, 10}, WS_GROUP},
    {Kind::Radio, IDC_REALTIME_SAVE, L"Realtime-Save", {260, 65, 68, 10}, 0},
    {Kind::Edit, IDC_FRAME_NUM, L"0", {375, 63, 42, 14}, WS_BORDER | WS_TABSTOP},
    {Kind::Label, kNoId, L"FrameNum：", {331, 66, 41, 8}, WS_GROUP},
};

constexpr LONG_PTR kStateStyles =
    WS_TABSTOP | WS_GROUP | WS_DISABLED | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE | WS_CHILD;

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return Lower(name);
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

class MainWindowTemplateTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dialog.CreateModeless()); }

    // A rectangle in dialog units as pixels of this dialog's font.
    RECT Pixels(const RECT& units) const {
        RECT rect{units.left, units.top, units.left + units.right, units.top + units.bottom};
        MapDialogRect(dialog.Handle(), &rect);
        return rect;
    }
    RECT ClientRectOf(HWND child) const {
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog.Handle(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    veskar::testing::RecordingCommPort port;
    SerialLink link{port};
    ReadChunk chunk{};
    veskar::testing::FakePrompts prompts;
    framework::ScopedPrompts scopedPrompts{prompts};
    MonitorDialog dialog{link, chunk};
};

TEST_F(MainWindowTemplateTest, ChildWindowsMatchTheTemplateInTabOrder) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog.Handle(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    ASSERT_EQ(children.size(), std::size(kMainWindowControls));

    for (std::size_t i = 0; i < children.size(); ++i) {
        const TemplateControl& expected = kMainWindowControls[i];
        const KindInfo kind = InfoOf(expected.kind);
        const HWND child = children[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1));

        EXPECT_EQ(ClassOf(child), kind.className);
        EXPECT_EQ(GetDlgCtrlID(child) & 0xFFFF, expected.id);
        if (expected.text != nullptr) {
            EXPECT_EQ(TextOf(child), expected.text);
        }
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        EXPECT_EQ(style & kind.typeMask, kind.type);
        // The system gives the tab stop to whichever radio button is checked.
        const LONG_PTR compared =
            expected.kind == Kind::Radio ? kStateStyles & ~WS_TABSTOP : kStateStyles;
        EXPECT_EQ(style & compared, (expected.styles | WS_CHILD | WS_VISIBLE) & compared);
        // Edits and list views draw a WS_BORDER as a client edge of their own.
        const bool hasBorder = (style & WS_BORDER) != 0 ||
                               (GetWindowLongPtrW(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
        EXPECT_EQ(hasBorder, (expected.styles & WS_BORDER) != 0);

        // Position and size convert from dialog units separately.
        const RECT& units = expected.dialogUnits;
        const RECT origin = Pixels({units.left, units.top, 0, 0});
        const RECT size = Pixels({0, 0, units.right, units.bottom});
        const RECT got = ClientRectOf(child);
        EXPECT_EQ(got.left, origin.left);
        EXPECT_EQ(got.top, origin.top);
        // A picture takes the size of its bitmap; a drop-down list's window is its selection
        // field, while the template height includes the dropped list.
        if (expected.kind != Kind::Picture) {
            EXPECT_EQ(got.right - got.left, size.right);
            if (expected.kind != Kind::DropDownList) {
                EXPECT_EQ(got.bottom - got.top, size.bottom);
            }
        }
    }
}

TEST_F(MainWindowTemplateTest, WindowIsAFixedSizeModalFrameWithItsOwnTaskbarButton) {
    const LONG_PTR style = GetWindowLongPtrW(dialog.Handle(), GWL_STYLE);
    const LONG_PTR wanted = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    const LONG_PTR exStyle = GetWindowLongPtrW(dialog.Handle(), GWL_EXSTYLE);
    EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0);
    EXPECT_NE(exStyle & WS_EX_DLGMODALFRAME, 0);  // DS_MODALFRAME
    EXPECT_EQ(GetMenu(dialog.Handle()), nullptr);

    RECT client{};
    GetClientRect(dialog.Handle(), &client);
    const RECT size = Pixels({0, 0, 426, 380});
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);

    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog.Handle(), WM_GETFONT, 0, 0)),
               sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, L"宋体");
}

TEST_F(MainWindowTemplateTest, PictureShowsTheLogoBitmap) {
    const HWND picture = GetWindow(dialog.Handle(), GW_CHILD);
    const HBITMAP shown =
        reinterpret_cast<HBITMAP>(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(shown, nullptr);
    BITMAP bitmap{};
    GetObjectW(shown, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 184);
    EXPECT_EQ(bitmap.bmHeight, 81);
}

// The version resource of the program's own file, read back with the version API.
class VersionResourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::wstring path = framework::ProgramPath();
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_NE(size, 0u);
        data.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
    }

    template <typename T>
    const T* Query(const std::wstring& block, UINT* length = nullptr) {
        void* value = nullptr;
        UINT valueLength = 0;
        if (!VerQueryValueW(data.data(), block.c_str(), &value, &valueLength)) return nullptr;
        if (length != nullptr) *length = valueLength;
        return static_cast<const T*>(value);
    }

    std::vector<BYTE> data;
};

TEST_F(VersionResourceTest, FixedPartIsVersion2_0_8_11OfA32BitWindowsApplication) {
    const auto* fixed = Query<VS_FIXEDFILEINFO>(L"\\");
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x0008000Bu);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x0008000Bu);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionResourceTest, OneChinesePrcUnicodeStringBlockWithTheVersionTexts) {
    UINT length = 0;
    const auto* translations = Query<WORD>(L"\\VarFileInfo\\Translation", &length);
    ASSERT_NE(translations, nullptr);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translations[0], 0x0804);
    EXPECT_EQ(translations[1], 1200);

    struct Field {
        const wchar_t* name;
        const wchar_t* value;
    };
    const Field fields[] = {
        {L"FileVersion", L"2, 0, 8, 11"},
        {L"ProductVersion", L"2, 0, 8, 11"},
        {L"CompanyName", L""},
        {L"Comments", L""},
        {L"LegalTrademarks", L""},
        {L"PrivateBuild", L""},
        {L"SpecialBuild", L""},
    };
    for (const Field& field : fields) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(field.name)));
        const auto* value =
            Query<wchar_t>(std::wstring(L"\\StringFileInfo\\080404b0\\") + field.name, &length);
        // An empty field may be left out of the block or stored empty.
        if (value == nullptr || length == 0) {
            EXPECT_STREQ(field.value, L"");
        } else {
            EXPECT_STREQ(value, field.value);
        }
    }
}

}  // namespace
}  // namespace veskar
