// The realtime recorder on the real main window: the two mode buttons, frames fed through ticks
// of the fake port, and the log files they leave on disk.
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
using testing::NumberedFrame;
using testing::NumberedFrameData;
using testing::OpensExclusively;
using testing::ReadWholeFile;
using testing::SplitLines;
using testing::TempFolder;
using testing::WriteWholeFile;

constexpr wchar_t kShowing[] = L"实时显示状态！";
constexpr wchar_t kSaving[] = L"实时保存状态！";
constexpr char kHeader[] = "Seq\tTime\tLen\tData";

// The line (without its LF) of the frame NumberedFrame(frame) recorded with Seq seq.
std::string RowText(std::uint32_t seq, std::uint32_t frame) {
    std::string line =
        FormatLogLine(std::to_string(seq), testing::kPinnedTime, "4", NumberedFrameData(frame));
    line.pop_back();
    return line;
}

// The lines a file must hold: the header if asked, then one row per (Seq, frame) pair.
std::vector<std::string> Rows(bool header, std::uint32_t firstSeq, std::uint32_t firstFrame,
                              std::uint32_t count) {
    std::vector<std::string> lines;
    if (header) lines.push_back(kHeader);
    for (std::uint32_t i = 0; i < count; ++i)
        lines.push_back(RowText(firstSeq + i, firstFrame + i));
    return lines;
}

class RealtimeRecorderTest : public testing::FrameLogsTest {
  protected:
    // The lines of a log file, which must end in an LF and hold no CR.
    static std::vector<std::string> LinesOf(const std::wstring& name) {
        const std::optional<std::string> content = ReadWholeFile(name);
        if (!content) {
            ADD_FAILURE() << "cannot read " << ::testing::PrintToString(name);
            return {};
        }
        EXPECT_EQ(content->find('\r'), std::string::npos);
        if (!content->empty()) {
            EXPECT_EQ(content->back(), '\n');
        }
        return SplitLines(*content);
    }

    std::wstring FileOfSet(const std::wstring& base, int number) const {
        return LogFileName(folder / base, number);
    }
    void Queue(const std::vector<std::uint8_t>& bytes) { port.Queue(bytes); }
};

TEST_F(RealtimeRecorderTest, RecordsFramesIntoFileZeroWhileTheListStaysEmpty) {
    FeedFrames(1, 2);  // shown in the list before the recording
    ASSERT_EQ(access.FrameList().ItemCount(), 2);
    ASSERT_FALSE(MonitorTimerRunning());

    ChooseRealtimeSave(folder / L"bus.xls");

    EXPECT_EQ(access.DisplayMode(), kRealtimeSave);
    EXPECT_EQ(TextOf(IDC_STATUS_LINE), kSaving);
    EXPECT_EQ(access.FrameList().ItemCount(), 0);
    EXPECT_EQ(access.FrameCounter(), 0);
    EXPECT_EQ(TextOf(IDC_FRAME_NUM), L"0");
    // The ticks start though monitoring was off; the monitoring buttons keep their state.
    EXPECT_TRUE(MonitorTimerRunning());
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_START_MONITOR)));
    EXPECT_FALSE(IsWindowEnabled(Control(IDC_STOP_MONITOR)));
    EXPECT_FALSE(FileExists(folder / L"bus.xls"));
    EXPECT_FALSE(OpensExclusively(FileOfSet(L"bus", 0)));
    const framework::SaveFileRequest& request = prompts.saveRequests.at(0);
    EXPECT_EQ(request.owner, Dialog());
    EXPECT_EQ(request.defaultExtension, L"xls");
    EXPECT_EQ(request.filter, L"Excel File(*.xls)|*.xls||");

    FeedFrames(3, 5);

    EXPECT_EQ(access.FrameList().ItemCount(), 0);
    EXPECT_EQ(access.FrameCounter(), 3);
    EXPECT_EQ(access.FrameNum(), 3u);
    EXPECT_EQ(TextOf(IDC_FRAME_NUM), L"3");
    EXPECT_TRUE(prompts.messages.empty());

    Click(IDC_REALTIME_SHOW);

    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 3, 3));
    EXPECT_TRUE(OpensExclusively(FileOfSet(L"bus", 0)));
    EXPECT_EQ(access.DisplayMode(), kRealtimeShow);
    EXPECT_EQ(TextOf(IDC_STATUS_LINE), kShowing);
    EXPECT_EQ(TextOf(IDC_FRAME_NUM), L"0");
    EXPECT_EQ(access.FrameNum(), 0u);
    // Realtime-Show leaves the timer running: the next frames go to the list.
    EXPECT_TRUE(MonitorTimerRunning());
    FeedFrames(6, 6);
    EXPECT_EQ(access.FrameList().ItemCount(), 1);
    EXPECT_EQ(access.FrameList().ItemText(0, 0), "1");
    EXPECT_EQ(folder.Files().size(), 1u);
}

// Two markers back to back make an empty frame: no number, no row, no count.
TEST_F(RealtimeRecorderTest, EmptyFramesLeaveNoTrace) {
    ChooseRealtimeSave(folder / L"bus.xls");
    std::vector<std::uint8_t> bytes = NumberedFrame(1);
    bytes.insert(bytes.end(), {0x48, 0x44, 0x52, 0x48, 0x44, 0x52});
    const std::vector<std::uint8_t> second = NumberedFrame(2);
    bytes.insert(bytes.end(), second.begin(), second.end());
    Queue(bytes);
    Tick();
    EXPECT_EQ(access.FrameNum(), 1u);
    EXPECT_EQ(access.FrameCounter(), 1);
    Tick();  // quiet: the last frame is handed on

    EXPECT_EQ(access.FrameNum(), 2u);
    EXPECT_EQ(access.FrameCounter(), 2);
    Click(IDC_REALTIME_SHOW);
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 1, 2));
}

// A frame still pending in the capture buffer when the recording starts is its first row.
TEST_F(RealtimeRecorderTest, AFramePendingWhenRecordingStartsIsItsFirstRow) {
    Queue(NumberedFrame(7));
    Tick();  // bytes, but no marker after them yet: the frame stays pending
    ASSERT_EQ(access.FrameList().ItemCount(), 0);

    ChooseRealtimeSave(folder / L"bus.xls");
    Tick();  // quiet

    Click(IDC_REALTIME_SHOW);
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 7, 1));
}

// The 65535th frame opens file 1, which starts with it, without a header, and Seq runs on. Clear
// in the middle resets FrameCounter, but the files still rotate by the lines they hold.
TEST_F(RealtimeRecorderTest, RotatesAfterAFullFileWhateverClearDoes) {
    ChooseRealtimeSave(folder / L"bus.xls");
    FeedFrames(1, 65000);
    Click(IDC_CLEAR);
    EXPECT_EQ(access.FrameCounter(), 0);
    EXPECT_EQ(TextOf(IDC_FRAME_NUM), L"0");
    EXPECT_EQ(access.FrameNum(), 65000u);  // no read-back yet: the numbering runs on

    FeedFrames(65001, 65534);
    EXPECT_EQ(access.LogFileIndex(), 0);
    EXPECT_FALSE(FileExists(FileOfSet(L"bus", 1)));
    FeedFrames(65535, 65600);

    EXPECT_EQ(access.LogFileIndex(), 1);
    EXPECT_EQ(access.FrameNum(), 65600u);
    EXPECT_EQ(TextOf(IDC_FRAME_NUM), L"65600");
    EXPECT_EQ(access.FrameCounter(), 65);  // the first row of a rotated file is not counted
    Click(IDC_REALTIME_SHOW);
    const std::vector<std::string> first = LinesOf(FileOfSet(L"bus", 0));
    EXPECT_EQ(first.size(), 65535u);
    EXPECT_TRUE(first == Rows(true, 1, 1, 65534)) << "file 0 differs";
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 1)), Rows(false, 65535, 65535, 66));
    EXPECT_TRUE(prompts.messages.empty());
}

// Later files take 65535 rows, one more than file 0, which holds the header in its place.
TEST_F(RealtimeRecorderTest, LaterFilesTake65535Rows) {
    ChooseRealtimeSave(folder / L"bus.xls");
    FeedFrames(1, 1);
    access.SetRecorderLines(kMaxLinesPerLogFile);  // as if file 0 were full
    FeedFrames(2, 3);
    EXPECT_EQ(access.LogFileIndex(), 1);
    EXPECT_EQ(access.RecorderLines(), 2);
    access.SetRecorderLines(kMaxLinesPerLogFile - 1);  // file 1 one row short of full
    FeedFrames(4, 4);
    EXPECT_EQ(access.LogFileIndex(), 1);
    FeedFrames(5, 5);
    EXPECT_EQ(access.LogFileIndex(), 2);

    Click(IDC_REALTIME_SHOW);
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 1, 1));
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 1)), Rows(false, 2, 2, 3));
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 2)), Rows(false, 5, 5, 1));
}

// Clear keeps its effects while recording: the list, the field's "0", and the numbering read
// back from the field by the next exchange from the controls.
TEST_F(RealtimeRecorderTest, ClearWhileRecordingRestartsTheNumberingAtTheNextReadBack) {
    Click(IDC_OPEN_DEVICE);
    ChooseRealtimeSave(folder / L"bus.xls");
    FeedFrames(1, 3);
    Click(IDC_CLEAR);
    Click(IDC_START_MONITOR);  // reads the values from the controls
    EXPECT_EQ(access.FrameNum(), 0u);
    FeedFrames(4, 5);

    Click(IDC_REALTIME_SHOW);
    std::vector<std::string> expected = Rows(true, 1, 1, 3);
    const std::vector<std::string> after = Rows(false, 1, 4, 2);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), expected);
}

// Choosing Realtime-Save again with the same path starts a new set: file 0 is replaced and Seq
// starts at 1; files of the old set with higher numbers stay.
TEST_F(RealtimeRecorderTest, ChoosingTheSamePathAgainStartsANewSet) {
    WriteWholeFile(FileOfSet(L"bus", 1), "old set\n");
    ChooseRealtimeSave(folder / L"bus.xls");
    FeedFrames(1, 3);

    ChooseRealtimeSave(folder / L"bus.xls");
    EXPECT_TRUE(MonitorTimerRunning());
    FeedFrames(4, 5);

    Click(IDC_REALTIME_SHOW);
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 4, 2));
    EXPECT_EQ(ReadWholeFile(FileOfSet(L"bus", 1)), "old set\n");
    EXPECT_TRUE(prompts.messages.empty());
}

// Cancel leaves the ticks stopped and returns to Realtime-Show; "Stop" stays enabled, and Stop
// then Start Monitor resume monitoring into the list.
TEST_F(RealtimeRecorderTest, CancelWhileMonitoringLeavesTheTicksStopped) {
    Click(IDC_OPEN_DEVICE);
    Click(IDC_START_MONITOR);
    FeedFrames(1, 2);
    ASSERT_TRUE(MonitorTimerRunning());
    const std::wstring status = TextOf(IDC_STATUS_LINE);

    ChooseRealtimeSave(std::nullopt);

    EXPECT_FALSE(MonitorTimerRunning());
    EXPECT_TRUE(IsWindowEnabled(Control(IDC_STOP_MONITOR)));
    EXPECT_TRUE(IsChecked(IDC_REALTIME_SHOW));
    EXPECT_FALSE(IsChecked(IDC_REALTIME_SAVE));
    EXPECT_EQ(access.DisplayMode(), kRealtimeShow);
    EXPECT_EQ(access.FrameList().ItemCount(), 2);
    EXPECT_EQ(access.FrameCounter(), 2);
    EXPECT_EQ(TextOf(IDC_FRAME_NUM), L"2");
    EXPECT_EQ(TextOf(IDC_STATUS_LINE), status);
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_TRUE(prompts.messages.empty());

    Click(IDC_STOP_MONITOR);
    Click(IDC_START_MONITOR);
    EXPECT_TRUE(MonitorTimerRunning());
    FeedFrames(3, 3);
    EXPECT_EQ(access.FrameList().ItemCount(), 3);
}

// Cancelling while recording ends the recording: the file is closed and the mode is Show.
TEST_F(RealtimeRecorderTest, CancelWhileRecordingClosesTheFile) {
    ChooseRealtimeSave(folder / L"bus.xls");
    FeedFrames(1, 2);
    ChooseRealtimeSave(std::nullopt);

    EXPECT_TRUE(OpensExclusively(FileOfSet(L"bus", 0)));
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 1, 2));
    EXPECT_EQ(access.DisplayMode(), kRealtimeShow);
    EXPECT_TRUE(IsChecked(IDC_REALTIME_SHOW));
    EXPECT_FALSE(MonitorTimerRunning());
}

// Stop and Start Monitor pause and resume into the same file with the same numbering; the file
// stays locked until Realtime-Show.
TEST_F(RealtimeRecorderTest, StopAndStartPauseIntoTheSameFile) {
    Click(IDC_OPEN_DEVICE);
    Click(IDC_START_MONITOR);
    ChooseRealtimeSave(folder / L"bus.xls");
    FeedFrames(1, 2);

    Click(IDC_STOP_MONITOR);
    EXPECT_FALSE(MonitorTimerRunning());
    EXPECT_FALSE(OpensExclusively(FileOfSet(L"bus", 0)));
    Click(IDC_START_MONITOR);
    FeedFrames(3, 4);
    Click(IDC_STOP_MONITOR);
    EXPECT_FALSE(OpensExclusively(FileOfSet(L"bus", 0)));

    Click(IDC_REALTIME_SHOW);
    EXPECT_TRUE(OpensExclusively(FileOfSet(L"bus", 0)));
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 1, 4));
}

// A path the ANSI code page cannot spell reaches the recorder's files whole.
TEST_F(RealtimeRecorderTest, RecordsUnderAPathOutsideTheAnsiCodePage) {
    TempFolder wide(testing::kWideFolderLeaf);
    ASSERT_TRUE(testing::AnsiCodePageCannotSpell(wide.Path()));
    ChooseRealtimeSave(wide / L"总线.xls");
    FeedFrames(1, 1);
    access.SetRecorderLines(kMaxLinesPerLogFile);
    FeedFrames(2, 2);
    EXPECT_EQ(access.LogBasePath(), wide / L"总线");
    Click(IDC_REALTIME_SHOW);
    EXPECT_EQ(LinesOf(wide / L"总线_0.xls"), Rows(true, 1, 1, 1));
    EXPECT_EQ(LinesOf(wide / L"总线_1.xls"), Rows(false, 2, 2, 1));
    EXPECT_TRUE(prompts.messages.empty());
}

// A file that cannot be opened at the start: one error box naming it; no ticks; the mode is
// Realtime-Save with the list cleared. A Start Monitor later meets the error once more and stops
// again, and the frames stay pending for a recording that works.
TEST_F(RealtimeRecorderTest, AFileZeroThatCannotOpenStopsTheTicksWithOneMessage) {
    Click(IDC_OPEN_DEVICE);
    Click(IDC_START_MONITOR);
    FeedFrames(1, 2);
    const std::wstring unreachable = folder / L"missing\\bus_0.xls";

    ChooseRealtimeSave(folder / L"missing\\bus.xls");

    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              unreachable + L"\r\n" + framework::SystemErrorText(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(prompts.messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(prompts.messages[0].caption, framework::ApplicationTitle());
    EXPECT_FALSE(MonitorTimerRunning());
    EXPECT_EQ(access.DisplayMode(), kRealtimeSave);
    EXPECT_EQ(access.FrameList().ItemCount(), 0);
    EXPECT_EQ(TextOf(IDC_STATUS_LINE), kSaving);

    Click(IDC_STOP_MONITOR);
    Click(IDC_START_MONITOR);
    for (std::uint32_t frame = 3; frame <= 5; ++frame) Queue(NumberedFrame(frame));
    Tick();
    PumpMessagesFor(100);  // real ticks would come here if the timer still ran
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_FALSE(MonitorTimerRunning());
    EXPECT_EQ(access.FrameNum(), 0u);

    ChooseRealtimeSave(folder / L"bus.xls");
    PumpMessagesFor(100);  // real ticks: the quiet one hands on the pending frames
    Click(IDC_REALTIME_SHOW);
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 3, 3));
    EXPECT_EQ(prompts.messages.size(), 2u);
}

// A write that fails in the middle of a tick (here: the next file of the set is held by another
// program when the recorder rotates) stops the ticks and closes the file before the one error
// box; nothing is counted for the failed frame, the lines before stay, and the frames not yet
// written stay pending, to be recorded first by the next Realtime-Save, each exactly once.
TEST_F(RealtimeRecorderTest, AWriteThatFailsMidRecordingStopsOnceAndKeepsThePendingFrames) {
    ChooseRealtimeSave(folder / L"bus.xls");
    FeedFrames(1, 3);
    const std::wstring held = FileOfSet(L"bus", 1);
    WriteWholeFile(held, "");
    const HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    FeedFrames(4, 4);
    access.SetRecorderLines(kMaxLinesPerLogFile);  // file 0 full: frame 5 rotates
    bool recorderClosedAtMessage = false;
    bool timerStoppedAtMessage = false;
    prompts.whileMessageOpen = [&](const auto&) {
        recorderClosedAtMessage = !access.RecorderOpen();
        timerStoppedAtMessage = !MonitorTimerRunning();
        PumpMessagesFor(100);  // the box's own loop: no tick may come
    };

    for (std::uint32_t frame = 5; frame <= 9; ++frame) Queue(NumberedFrame(frame));
    Tick();
    PumpMessagesFor(100);

    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text,
              held + L"\r\n" + framework::SystemErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(prompts.messages[0].flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_TRUE(recorderClosedAtMessage);
    EXPECT_TRUE(timerStoppedAtMessage);
    EXPECT_EQ(access.FrameNum(), 4u);
    EXPECT_EQ(TextOf(IDC_FRAME_NUM), L"4");
    EXPECT_EQ(access.FrameCounter(), 4);
    EXPECT_TRUE(OpensExclusively(FileOfSet(L"bus", 0)));
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 1, 4));
    CloseHandle(holder);

    ChooseRealtimeSave(folder / L"next.xls");
    PumpMessagesFor(100);
    FeedFrames(10, 10);
    Click(IDC_REALTIME_SHOW);

    EXPECT_EQ(LinesOf(FileOfSet(L"next", 0)), Rows(true, 1, 5, 6));
    EXPECT_EQ(LinesOf(FileOfSet(L"bus", 0)), Rows(true, 1, 1, 4));
    EXPECT_EQ(ReadWholeFile(held), "");
    EXPECT_EQ(prompts.messages.size(), 1u);
}

}  // namespace
}  // namespace veskar
