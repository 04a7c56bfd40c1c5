// The frame logs on a disk that fills up: a write comes up short, the error box says so and
// names the file, the lines written before stay, and no cut-off part of a line is left. The disk is
// a small filesystem mapped as a drive by full_disk_test.sh, which names it in VESKAR_FULL_DISK;
// without it the tests skip.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/error_report.h"
#include "logs/log_file_format.h"
#include "win32/frame_logs_fixture.h"

namespace veskar {
namespace {

using testing::NumberedFrame;
using testing::NumberedFrameData;
using testing::ReadWholeFile;

constexpr char kHeader[] = "Seq\tTime\tLen\tData\n";

std::string RowLine(std::uint32_t seq, std::uint32_t frame) {
    return FormatLogLine(std::to_string(seq), testing::kPinnedTime, "4", NumberedFrameData(frame));
}

class FullDiskTest : public testing::FrameLogsTest {
  protected:
    void SetUp() override {
        const char* drive = std::getenv("VESKAR_FULL_DISK");
        if (drive == nullptr || *drive == '\0') GTEST_SKIP() << "no full-disk drive mapped";
        drive_.assign(drive, drive + std::strlen(drive));
        FrameLogsTest::SetUp();
        DeleteFileW((drive_ + L"bus_0.xls").c_str());  // left by the other case
    }

    // The disk-full error box for `name`, and only that.
    void ExpectOneDiskFullMessage(const std::wstring& name) const {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0].text,
                  name + L"\r\n" + framework::SystemErrorText(ERROR_DISK_FULL));
        EXPECT_EQ(prompts.messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    }

    // `content` is exactly the header and the rows `seq` 1 to `rows` (of the frames 1 on): the
    // part of the next row that the disk took before it was full has been taken back.
    static void ExpectCompleteRowsOnly(const std::string& content, std::uint32_t rows) {
        std::string complete = kHeader;
        for (std::uint32_t seq = 1; seq <= rows; ++seq) complete += RowLine(seq, seq);
        EXPECT_TRUE(content == complete)
            << "the file is not its whole lines: " << content.size() << " bytes, expected "
            << complete.size() << ", ending in \""
            << content.substr(content.size() > 40 ? content.size() - 40 : 0) << "\"";
    }

    std::wstring drive_;
};

TEST_F(FullDiskTest, ARecordingThatFillsTheDiskStopsOnceAndKeepsWhatItWrote) {
    const std::wstring name = drive_ + L"bus_0.xls";
    ChooseRealtimeSave(drive_ + L"bus.xls");
    ASSERT_TRUE(prompts.messages.empty());
    std::uint32_t queued = 0;
    while (prompts.messages.empty() && queued < 20000) {
        for (int i = 0; i < 100; ++i) port.Queue(NumberedFrame(++queued));
        Tick();
    }

    ExpectOneDiskFullMessage(name);
    EXPECT_FALSE(MonitorTimerRunning());
    EXPECT_FALSE(access.RecorderOpen());
    const std::uint32_t recorded = access.FrameNum();
    ASSERT_GT(recorded, 100u);
    const std::optional<std::string> content = ReadWholeFile(name);
    ASSERT_TRUE(content);
    ExpectCompleteRowsOnly(*content, recorded);

    // The frames not written wait for the next recording, the failed one first.
    ChooseRealtimeSave(folder / L"next.xls");
    PumpMessagesFor(100);
    Click(IDC_REALTIME_SHOW);
    const std::optional<std::string> next = ReadWholeFile(folder / L"next_0.xls");
    ASSERT_TRUE(next);
    std::string expected = kHeader;
    for (std::uint32_t frame = recorded + 1; frame <= queued; ++frame)
        expected += RowLine(frame - recorded, frame);
    EXPECT_TRUE(*next == expected) << "the pending frames were not recorded as they came";
    EXPECT_EQ(prompts.messages.size(), 1u);
}

TEST_F(FullDiskTest, ASaveThatFillsTheDiskStopsWithTheErrorAndKeepsWhatItWrote) {
    const std::wstring name = drive_ + L"bus_0.xls";
    FillList(5000);  // some 150 KB of lines

    prompts.savePaths.push_back(drive_ + L"bus.xls");
    Click(IDC_SAVE);

    ExpectOneDiskFullMessage(name);
    const std::optional<std::string> content = ReadWholeFile(name);
    ASSERT_TRUE(content);
    const std::size_t complete = std::count(content->begin(), content->end(), '\n');
    ASSERT_GT(complete, 100u);
    ExpectCompleteRowsOnly(*content, static_cast<std::uint32_t>(complete - 1));
    EXPECT_TRUE(testing::OpensExclusively(name));
}

}  // namespace
}  // namespace veskar
