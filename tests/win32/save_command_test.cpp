// Save on the real main window: the rows of the list exported into numbered log files on disk.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/error_report.h"
#include "logs/log_file_format.h"
#include "win32/frame_logs_fixture.h"

namespace veskar {
namespace {

using testing::FileExists;
using testing::NumberedFrameData;
using testing::OpensExclusively;
using testing::ReadWholeFile;
using testing::SplitLines;
using testing::TempFolder;
using testing::WriteWholeFile;

constexpr wchar_t kSaveDone[] = L"文件保存完毕！";
constexpr char kHeader[] = "Seq\tTime\tLen\tData\n";

// The row line of the frame NumberedFrame(seq) numbered seq.
std::string RowLine(int seq) {
    return FormatLogLine(std::to_string(seq), testing::kPinnedTime, "4",
                         NumberedFrameData(static_cast<std::uint32_t>(seq)));
}

class SaveCommandTest : public testing::FrameLogsTest {
  protected:
    void Save(const std::optional<std::wstring>& path) {
        prompts.savePaths.push_back(path);
        Click(IDC_SAVE);
    }

    // The export file holds the header, then the rows with Seq first to last, exactly.
    static void ExpectExportFile(const std::wstring& name, int first, int last) {
        SCOPED_TRACE(::testing::PrintToString(name));
        const std::optional<std::string> content = ReadWholeFile(name);
        ASSERT_TRUE(content) << "file missing";
        std::string expected = kHeader;
        for (int seq = first; seq <= last; ++seq) expected += RowLine(seq);
        EXPECT_EQ(content->size(), expected.size());
        EXPECT_TRUE(*content == expected) << "content differs";
        EXPECT_EQ(content->find('\r'), std::string::npos);
    }

    std::vector<testing::LogPrompts::Message> CompletionMessages() const {
        std::vector<testing::LogPrompts::Message> found;
        for (const auto& message : prompts.messages)
            if (message.text == kSaveDone) found.push_back(message);
        return found;
    }
};

// File f takes the rows f * 65534 on, each file with its own header; the chosen file itself is
// never created; the completion message comes once, after the last file is closed, for 0 rows too.
TEST_F(SaveCommandTest, SplitsTheListIntoFilesOf65534RowsEachWithAHeader) {
    struct Case {
        int rows;
        std::vector<int> rowsPerFile;
    };
    const Case cases[] = {
        {0, {}},
        {1, {1}},
        {65534, {65534}},
        {65535, {65534, 1}},
        {200000, {65534, 65534, 65534, 3398}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        FillList(c.rows);
        const std::wstring base = folder / (L"rows" + std::to_wstring(c.rows));
        bool closedAtMessage = true;
        prompts.whileMessageOpen = [&](const auto&) {
            for (std::size_t f = 0; f < c.rowsPerFile.size(); ++f)
                closedAtMessage &= OpensExclusively(LogFileName(base, static_cast<int>(f)));
        };
        prompts.messages.clear();

        Save(base + L".xls");

        int first = 1;
        for (std::size_t f = 0; f < c.rowsPerFile.size(); ++f) {
            ExpectExportFile(LogFileName(base, static_cast<int>(f)), first,
                             first + c.rowsPerFile[f] - 1);
            first += c.rowsPerFile[f];
        }
        EXPECT_FALSE(FileExists(LogFileName(base, static_cast<int>(c.rowsPerFile.size()))));
        EXPECT_FALSE(FileExists(base + L".xls"));
        EXPECT_TRUE(closedAtMessage);
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text, kSaveDone);
        EXPECT_EQ(prompts.messages[0].caption, framework::ApplicationTitle());
        EXPECT_EQ(prompts.messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(prompts.messages[0].owner, Dialog());
        // The command leaves the list and the counter as they were.
        EXPECT_EQ(access.FrameList().ItemCount(), c.rows);
        EXPECT_EQ(access.FrameCounter(), c.rows);
    }

    ASSERT_FALSE(prompts.saveRequests.empty());
    for (const framework::SaveFileRequest& request : prompts.saveRequests) {
        EXPECT_EQ(request.owner, Dialog());
        EXPECT_EQ(request.defaultExtension, L"xls");
        EXPECT_EQ(request.initialName, L"");
        EXPECT_EQ(request.filter, L"Excel File(*.xls)|*.xls||");
    }
}

TEST_F(SaveCommandTest, CancelWritesNothingAndSaysNothing) {
    FillList(3);
    Save(std::nullopt);
    EXPECT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(access.FrameList().ItemCount(), 3);
}

// The chosen file stays as it was; numbered files of the set are replaced; numbered files beyond
// the set stay.
TEST_F(SaveCommandTest, ReplacesNumberedFilesAndLeavesTheChosenFile) {
    const std::wstring chosen = folder / L"bus.xls";
    WriteWholeFile(chosen, "the user's own file\r\n");
    WriteWholeFile(folder / L"bus_0.xls", std::string(100000, 'x'));
    WriteWholeFile(folder / L"bus_7.xls", "an older set\n");
    FillList(3);

    Save(chosen);

    ExpectExportFile(folder / L"bus_0.xls", 1, 3);
    EXPECT_EQ(ReadWholeFile(chosen), "the user's own file\r\n");
    EXPECT_EQ(ReadWholeFile(folder / L"bus_7.xls"), "an older set\n");
    EXPECT_EQ(CompletionMessages().size(), 1u);
}

// The base is the chosen path up to its last '.', folders included; the extension chosen does
// not matter.
TEST_F(SaveCommandTest, NamesTheFilesAfterThePathUpToItsLastDot) {
    TempFolder dotted(L".old");
    FillList(1);
    Save(dotted / L"bus.txt");
    Save(dotted / L"log.2026.xls");
    ExpectExportFile(dotted / L"bus_0.xls", 1, 1);
    ExpectExportFile(dotted / L"log.2026_0.xls", 1, 1);
    EXPECT_EQ(dotted.Files().size(), 2u);
}

// A file another handle holds stops the export there with the error box naming it; the files
// before it are complete and closed, none comes after it, and there is no completion message.
TEST_F(SaveCommandTest, AFileHeldOpenElsewhereStopsTheExportAtThatFile) {
    const std::wstring base = folder / L"bus";
    const std::wstring held = LogFileName(base, 1);
    WriteWholeFile(held, "held\n");
    const HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    FillList(65536);

    Save(base + L".xls");
    CloseHandle(holder);

    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              held + L"\r\n" + framework::SystemErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(prompts.messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(prompts.messages[0].caption, framework::ApplicationTitle());
    ExpectExportFile(LogFileName(base, 0), 1, 65534);
    EXPECT_TRUE(OpensExclusively(LogFileName(base, 0)));
    EXPECT_EQ(ReadWholeFile(held), "held\n");
    EXPECT_FALSE(FileExists(LogFileName(base, 2)));
    EXPECT_EQ(access.FrameList().ItemCount(), 65536);
}

// The row total is read when the dialog closes: rows that ticks add while it is open are
// exported, rows added while the completion message is open are not.
TEST_F(SaveCommandTest, ExportsTheRowsTheListHoldsWhenTheDialogCloses) {
    FeedFrames(1, 3);
    ASSERT_EQ(access.FrameList().ItemCount(), 3);
    prompts.whileSaveDialogOpen = [&] { FeedFrames(4, 5); };
    prompts.whileMessageOpen = [&](const auto&) { FeedFrames(6, 6); };

    Save(folder / L"bus.xls");

    ExpectExportFile(folder / L"bus_0.xls", 1, 5);
    EXPECT_EQ(access.FrameList().ItemCount(), 6);
    EXPECT_EQ(CompletionMessages().size(), 1u);
}

// While recording, the list is empty and FrameCounter counts the recorder's rows: Save exports
// the empty list, and the recording goes on into its own file.
TEST_F(SaveCommandTest, WhileRecordingExportsOnlyWhatTheListHolds) {
    ChooseRealtimeSave(folder / L"rec.xls");
    FeedFrames(1, 5);
    ASSERT_EQ(access.FrameCounter(), 5);
    ASSERT_EQ(access.FrameList().ItemCount(), 0);

    Save(folder / L"export.xls");

    EXPECT_FALSE(FileExists(folder / L"export_0.xls"));
    EXPECT_EQ(CompletionMessages().size(), 1u);
    EXPECT_EQ(prompts.messages.size(), 1u);
    FeedFrames(6, 6);
    Click(IDC_REALTIME_SHOW);
    const std::optional<std::string> recorded = ReadWholeFile(folder / L"rec_0.xls");
    ASSERT_TRUE(recorded);
    std::string expected = kHeader;
    for (int seq = 1; seq <= 6; ++seq) expected += RowLine(seq);
    EXPECT_EQ(*recorded, expected);
}

// A path the ANSI code page cannot spell reaches the files whole.
TEST_F(SaveCommandTest, SavesUnderAPathOutsideTheAnsiCodePage) {
    TempFolder wide(testing::kWideFolderLeaf);
    ASSERT_TRUE(testing::AnsiCodePageCannotSpell(wide.Path()));
    FillList(2);
    Save(wide / L"总线.xls");
    ExpectExportFile(wide / L"总线_0.xls", 1, 2);
    EXPECT_EQ(wide.Files().size(), 1u);
    EXPECT_EQ(CompletionMessages().size(), 1u);
}

}  // namespace
}  // namespace veskar
