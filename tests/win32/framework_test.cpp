// The framework layer under the dialogs: the application title in message boxes, the file
// object on real files, the exception boundary of the dialog procedure, centring over an owner
// and the Help key.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>
#include <string>

#include "capture/serial_link.h"
#include "fakes/recording_comm_port.h"
#include "framework/application.h"
#include "framework/dialog.h"
#include "framework/error_report.h"
#include "framework/file.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"
#include "win32/support/fake_prompts.h"
#include "win32/support/modal_script.h"

namespace framework {
namespace {

using veskar::testing::FakePrompts;
using veskar::testing::ModalScript;

TEST(ApplicationTitle, IsTheProgramFileNameWithoutFolderOrExtension) {
    EXPECT_EQ(ApplicationTitle(), L"framework_test");
}

TEST(ShowMessage, CaptionsEveryBoxWithTheTitleAndGivesAPlainOkBoxTheExclamationIcon) {
    struct Case {
        UINT flags;
        UINT shown;
    };
    const Case cases[] = {
        {MB_OK, MB_OK | MB_ICONEXCLAMATION},
        {MB_OK | MB_ICONSTOP, MB_OK | MB_ICONSTOP},
        {MB_OK | MB_ICONINFORMATION, MB_OK | MB_ICONINFORMATION},
        {MB_OKCANCEL, MB_OKCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        FakePrompts prompts;
        ScopedPrompts scoped(prompts);
        prompts.messageAnswer = IDCANCEL;
        EXPECT_EQ(ShowMessage(nullptr, L"保存完毕", c.flags), IDCANCEL);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].caption, L"framework_test");
        EXPECT_EQ(prompts.messages[0].text, L"保存完毕");
        EXPECT_EQ(prompts.messages[0].flags, c.shown);
    }
}

// Real files in the temporary folder, removed afterwards.
class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        path = std::wstring(folder) + L"veskar_file_test_" +
               std::to_wstring(GetCurrentProcessId()) + L".xls";
    }
    void TearDown() override { DeleteFileW(path.c_str()); }

    std::string Contents() const {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
        char buffer[256] = {};
        DWORD read = 0;
        ReadFile(file, buffer, sizeof(buffer), &read, nullptr);
        CloseHandle(file);
        return std::string(buffer, read);
    }
    void WriteExisting(const std::string& bytes) const {
        const HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    HANDLE OpenAgain(DWORD access) const {
        return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    }

    std::wstring path;
};

TEST_F(FileTest, CreateTruncatesAnExistingFileAndWritesGoStraightThrough) {
    WriteExisting("old contents that must go");
    File file;
    ASSERT_TRUE(file.Create(path));
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Name(), path);
    file.Write("Seq\tTime\tLen\tData\n");
    file.Write("");
    file.Write("1\t09:05:03\t1\tS<50:w>\n");
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(Contents(), "Seq\tTime\tLen\tData\n1\t09:05:03\t1\tS<50:w>\n");
    file.Close();  // closing a closed file does nothing
}

TEST_F(FileTest, NoOtherOpenSucceedsWhileTheFileIsOpenAndTheDestructorClosesIt) {
    {
        File file;
        ASSERT_TRUE(file.Create(path));
        for (const DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}}) {
            SCOPED_TRACE(access);
            const HANDLE other = OpenAgain(access);
            EXPECT_EQ(other, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
        }
    }
    const HANDLE other = OpenAgain(GENERIC_READ);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
}

TEST_F(FileTest, AFailedOpenShowsAtTheFirstWriteNamingTheFile) {
    File file;
    const std::wstring missingFolder = path + L".missing\\bus_0.xls";
    EXPECT_FALSE(file.Create(missingFolder));
    EXPECT_FALSE(file.IsOpen());
    try {
        file.Write("x");
        FAIL() << "the write into a file that did not open went through";
    } catch (const FileError& error) {
        EXPECT_EQ(error.FileName(), missingFolder);
        EXPECT_NE(error.ErrorCode(), static_cast<DWORD>(ERROR_SUCCESS));
    }
    file.Close();  // nothing to close
}

// A write that the disk refuses: under Wine, Z:\dev\full is the Unix device that is always full.
TEST_F(FileTest, AWriteTheDiskRefusesRaisesDiskFullNamingTheFile) {
    File file;
    if (!file.Create(std::wstring(L"Z:\\dev\\full"))) GTEST_SKIP() << "no full device here";
    try {
        file.Write("1\t09:05:03\t1\tS<50:w>\n");
        FAIL() << "the write into a full device went through";
    } catch (const FileError& error) {
        EXPECT_EQ(error.FileName(), L"Z:\\dev\\full");
        EXPECT_EQ(error.ErrorCode(), static_cast<DWORD>(ERROR_DISK_FULL));
    }
}

TEST(ExceptionText, NamesTheFileAndGivesThePlatformTextOfTheError) {
    const std::wstring text =
        ExceptionText(std::make_exception_ptr(FileError(ERROR_DISK_FULL, L"C:\\logs\\bus_3.xls")));
    EXPECT_NE(text.find(L"C:\\logs\\bus_3.xls"), std::wstring::npos);
    const std::wstring systemText = SystemErrorText(ERROR_DISK_FULL);
    EXPECT_FALSE(systemText.empty());
    EXPECT_NE(text.find(systemText), std::wstring::npos);
    EXPECT_NE(systemText.back(), L'\n');
}

// A dialog whose handlers fail on request, built from the About box template.
class FailingDialog : public Dialog {
  public:
    static constexpr int kFailWithFileError = 5001;
    static constexpr int kFailWithOutOfMemory = 5002;
    static constexpr int kCount = 5003;
    static constexpr UINT_PTR kFailingTimer = 7;

    explicit FailingDialog(HWND owner = nullptr) : Dialog(IDD_ABOUT_DIALOG, owner) {}

    int handled = 0;
    int helpCommands = 0;

  protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && wParam == kFailingTimer) {
            KillTimer(Handle(), kFailingTimer);
            throw FileError(ERROR_ACCESS_DENIED, L"C:\\logs\\bus_0.xls");
        }
        return Dialog::OnMessage(message, wParam, lParam);
    }
    bool OnCommand(int id, int code, HWND control) override {
        switch (id) {
            case kFailWithFileError:
                throw FileError(ERROR_DISK_FULL, L"C:\\logs\\bus_1.xls");
            case kFailWithOutOfMemory:
                throw std::bad_alloc();
            case kCount:
                ++handled;
                return true;
            case ID_HELP_COMMAND:
                ++helpCommands;
                return true;
            default:
                return Dialog::OnCommand(id, code, control);
        }
    }
};

class ExceptionBoundaryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dialog.CreateModeless()); }

    void Command(int id) const { SendMessageW(dialog.Handle(), WM_COMMAND, id, 0); }

    FakePrompts prompts;
    ScopedPrompts scoped{prompts};
    FailingDialog dialog;
};

TEST_F(ExceptionBoundaryTest, AFailedCommandIsShownWithTheStopIconAndTheNextMessageRuns) {
    Command(FailingDialog::kFailWithFileError);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(prompts.messages[0].caption, L"framework_test");
    EXPECT_EQ(
        prompts.messages[0].text,
        ExceptionText(std::make_exception_ptr(FileError(ERROR_DISK_FULL, L"C:\\logs\\bus_1.xls"))));

    Command(FailingDialog::kFailWithOutOfMemory);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[1].text, SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));

    Command(FailingDialog::kCount);
    EXPECT_EQ(dialog.handled, 1);
    EXPECT_TRUE(IsWindow(dialog.Handle()));
}

TEST_F(ExceptionBoundaryTest, AFailedTimerTickIsShownAndTheWindowGoesOn) {
    SetTimer(dialog.Handle(), FailingDialog::kFailingTimer, 10, nullptr);
    const DWORD deadline = GetTickCount() + 5000;
    MSG message{};
    while (prompts.messages.empty() && GetTickCount() < deadline) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(5);
    }
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_NE(prompts.messages[0].text.find(L"C:\\logs\\bus_0.xls"), std::wstring::npos);
    Command(FailingDialog::kCount);
    EXPECT_EQ(dialog.handled, 1);
}

// A string field exchanged as it stands, built from the frame detail template.
class TextDialog : public Dialog {
  public:
    TextDialog() : Dialog(IDD_FRAME_INFO_DIALOG) {}
    std::string data = "S<50:r>3C ";

  protected:
    void DoDataExchange(DataExchange& exchange) override { exchange.Text(IDC_INFO_DATA, data); }
};

TEST(StringExchange, PutsTheTextInTheFieldAndReadsItBackAsItStands) {
    TextDialog dialog;
    ASSERT_TRUE(dialog.CreateModeless());
    const Window field = dialog.Item(IDC_INFO_DATA);
    EXPECT_EQ(field.TextAnsi(), "S<50:r>3C ");  // the first exchange, at initialisation

    field.SetTextAnsi("  S<50:w>00 FF  ");
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.data, "  S<50:w>00 FF  ");

    dialog.data.clear();
    EXPECT_TRUE(dialog.UpdateData(false));
    EXPECT_EQ(field.TextAnsi(), "");
}

TEST(DialogCentring, ADialogOpensCentredOverItsOwner) {
    FakePrompts prompts;
    ScopedPrompts scoped(prompts);
    veskar::testing::RecordingCommPort port;
    veskar::SerialLink link(port);
    veskar::ReadChunk chunk{};
    veskar::MonitorDialog main(link, chunk);
    ASSERT_TRUE(main.CreateModeless());
    SetWindowPos(main.Handle(), nullptr, 17, 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    FailingDialog owned(main.Handle());
    ASSERT_TRUE(owned.CreateModeless());
    RECT ownerRect{}, ownedRect{};
    GetWindowRect(main.Handle(), &ownerRect);
    GetWindowRect(owned.Handle(), &ownedRect);
    EXPECT_EQ(GetWindow(owned.Handle(), GW_OWNER), main.Handle());
    EXPECT_NEAR((ownedRect.left + ownedRect.right) / 2, (ownerRect.left + ownerRect.right) / 2, 1);
    EXPECT_NEAR((ownedRect.top + ownedRect.bottom) / 2, (ownerRect.top + ownerRect.bottom) / 2, 1);
}

// F1 in a modal loop becomes the Help command to the main window, unless a modifier is down.
TEST(HelpKey, F1WithoutModifiersIssuesTheHelpCommandToTheMainWindow) {
    struct Case {
        BYTE modifier;  // 0: none
        int expectedCommands;
    };
    const Case cases[] = {{0, 1}, {VK_SHIFT, 0}, {VK_CONTROL, 0}, {VK_MENU, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.modifier));
        FakePrompts prompts;
        ScopedPrompts scoped(prompts);
        HelpKey helpKey;
        FailingDialog dialog;
        SetMainWindow(&dialog);
        const auto setModifier = [&](bool down) {
            BYTE keys[256] = {};
            GetKeyboardState(keys);
            if (c.modifier != 0) keys[c.modifier] = down ? 0x80 : 0;
            SetKeyboardState(keys);
        };
        ModalScript(dialog)
            .Then([&](HWND window) {
                setModifier(true);
                veskar::testing::PostKey(GetDlgItem(window, IDOK), VK_F1);
            })
            .Then([&](HWND) { setModifier(false); })
            .Run();
        SetMainWindow(nullptr);
        EXPECT_EQ(dialog.helpCommands, c.expectedCommands);
    }
}

}  // namespace
}  // namespace framework
