// The log file object on real files: the bytes of its lines, how it opens and shares its file,
// and the errors it raises, as the error box shows them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/frame_row.h"
#include "framework/error_report.h"
#include "logs/frame_log_file.h"
#include "win32/frame_logs_fixture.h"

namespace veskar {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteWholeFile;

class FrameLogFileTest : public ::testing::Test {
  protected:
    void SetUp() override { SetWallClock(testing::PinnedClock); }
    void TearDown() override { SetWallClock(nullptr); }

    static FrameRow RowOf(std::vector<std::uint8_t> bytes, std::int64_t number) {
        return FormatFrameRow(Frame{bytes.data(), static_cast<std::int32_t>(bytes.size())}, number);
    }

    TempFolder folder;
};

TEST_F(FrameLogFileTest, WritesTheHeaderAndRowsAsTheirExactBytes) {
    const std::wstring name = folder / L"bus_0.xls";
    FrameLogFile file;
    file.Create(name);
    file.WriteHeader();
    file.WriteRow(RowOf({0xA1, 0x3C}, 7));  // the worked example: 24 bytes
    file.WriteRow(RowOf({0xA0}, 1));        // only an address byte: no space before the LF
    file.WriteRow(RowOf({0xFF, 0x00, 0x10}, 4294967295u));
    file.Close();

    const std::string header = "Seq\tTime\tLen\tData\n";
    const std::string example = "7\t09:05:03\t2\tS<50:r>3C \n";
    const std::string addressOnly = "1\t09:05:03\t1\tS<50:w>\n";
    const std::string bigNumber = "4294967295\t09:05:03\t3\tS<7F:r>00 10 \n";
    EXPECT_EQ(header.size(), 18u);
    EXPECT_EQ(example.size(), 24u);
    const std::optional<std::string> content = ReadWholeFile(name);
    ASSERT_TRUE(content);
    EXPECT_EQ(*content, header + example + addressOnly + bigNumber);
    EXPECT_EQ(content->find('\r'), std::string::npos);
}

TEST_F(FrameLogFileTest, ReplacesAnExistingFileAndHoldsItWithoutSharing) {
    const std::wstring name = folder / L"bus_3.xls";
    WriteWholeFile(name, std::string(5000, 'x'));

    FrameLogFile file;
    file.Create(name);
    EXPECT_TRUE(file.IsOpen());
    for (const DWORD access : {DWORD{GENERIC_READ}, DWORD{GENERIC_WRITE}}) {
        const HANDLE other = CreateFileW(name.c_str(), access,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE) << "access " << access;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    }
    // Each line is handed over at once: it is in the file before the file is closed.
    file.WriteHeader();
    file.Close();
    file.Close();  // closing a closed file does nothing
    EXPECT_EQ(ReadWholeFile(name), "Seq\tTime\tLen\tData\n");

    // A closed file object takes the next file of a set.
    file.Create(folder / L"bus_4.xls");
    file.WriteRow(RowOf({0xA0}, 2));
    file.Close();
    EXPECT_EQ(ReadWholeFile(folder / L"bus_4.xls"), "2\t09:05:03\t1\tS<50:w>\n");
}

TEST_F(FrameLogFileTest, OpensNamesTheAnsiCodePageCannotSpell) {
    TempFolder wideFolder(testing::kWideFolderLeaf);
    ASSERT_TRUE(testing::AnsiCodePageCannotSpell(wideFolder.Path()));
    ASSERT_TRUE(FileExists(wideFolder.Path()));
    const std::wstring name = wideFolder / L"总线_0.xls";
    FrameLogFile file;
    file.Create(name);
    file.WriteHeader();
    file.Close();
    EXPECT_EQ(ReadWholeFile(name), "Seq\tTime\tLen\tData\n");
}

// A failed open shows at the first write, with the cause the open met; the error box names the
// file and gives the system's text for that cause, with the stop icon.
TEST_F(FrameLogFileTest, AFailedOpenRaisesItsCauseAtTheFirstWrite) {
    struct Case {
        const char* what;
        std::wstring name;
        DWORD error;
    };
    const std::wstring held = folder / L"held_0.xls";
    const HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const Case cases[] = {
        {"held by another handle", held, ERROR_SHARING_VIOLATION},
        {"folder missing", folder / L"missing\\bus_0.xls", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FrameLogFile file;
        file.Create(c.name);
        EXPECT_FALSE(file.IsOpen());
        try {
            file.WriteHeader();
            ADD_FAILURE() << "no error raised";
        } catch (const framework::FileError& error) {
            EXPECT_EQ(error.ErrorCode(), c.error);
            EXPECT_EQ(error.FileName(), c.name);
            const std::wstring text = framework::ExceptionText(std::current_exception());
            EXPECT_EQ(text, c.name + L"\r\n" + framework::SystemErrorText(c.error));
        }
        file.Close();
    }
    CloseHandle(holder);
}

}  // namespace
}  // namespace veskar
