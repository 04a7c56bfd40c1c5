// The RealtimeShow frame handler on the real main window: numbering, the row texts in the list,
// the FrameNum field, the empty frame, Clear and the wrap at the row limit.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "win32/support/live_dialog_fixture.h"

namespace veskar {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::FrameBytes;
using testing::RowTexts;

using LiveListTest = testing::LiveDialogTest;

// Frames that arrive one tick apart: each becomes the next row, numbered from 1 without gaps,
// with its four texts, and the FrameNum field follows the newest Seq.
TEST_F(LiveListTest, RowsAreNumberedFromOneWithTheirTexts) {
    struct Case {
        Bytes frame;
        const char* len;
        const char* data;
    };
    const Case cases[] = {
        {{0xA0, 0x00, 0x10}, "3", "S<50:w>00 10 "},
        {{0xA1}, "1", "S<50:r>"},
        {{0x00}, "1", "S<00:w>"},
        {{0xFF}, "1", "S<7F:r>"},
        {{0x91, 0x0A, 0xFF, 0x00, 0x48}, "5", "S<48:r>0A FF 00 48 "},
        {{0x48, 0x44}, "2", "S<24:w>44 "},  // an incomplete marker flushed as data
    };
    Press(IDC_OPEN_DEVICE);
    int seq = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        port.Queue(FrameBytes(c.frame));
        TickUntilDrained();
        ++seq;

        ASSERT_EQ(RowCount(), seq);
        EXPECT_EQ(Row(seq - 1), (RowTexts{std::to_string(seq), PinnedTimeText(), c.len, c.data}));
        EXPECT_EQ(FrameNumText(), std::to_wstring(seq));
        EXPECT_EQ(access.FrameNum(), static_cast<std::uint32_t>(seq));
        EXPECT_EQ(access.FrameCounter(), seq);
    }
    for (int i = 0; i < RowCount(); ++i) EXPECT_EQ(Row(i).seq, std::to_string(i + 1));
}

// Many frames cut out in one tick are appended in stream order; an empty frame between two
// markers takes no number.
TEST_F(LiveListTest, FramesOfOneTickKeepStreamOrderAndEmptyFramesTakeNoNumber) {
    const Bytes marker = FrameBytes({});
    port.Queue(Concat({FrameBytes({0xA0, 0x01}), marker, FrameBytes({0xA2}), marker, marker,
                       FrameBytes({0xA4, 0x03}), marker}));
    Press(IDC_OPEN_DEVICE);
    Tick();

    ASSERT_EQ(RowCount(), 3);
    const RowTexts expected[] = {{"1", PinnedTimeText(), "2", "S<50:w>01 "},
                                 {"2", PinnedTimeText(), "1", "S<51:w>"},
                                 {"3", PinnedTimeText(), "2", "S<52:w>03 "}};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Row(i), expected[i]) << "row " << i;
    EXPECT_EQ(FrameNumText(), L"3");
}

// The empty frame changes nothing, not even by an exchange: a text typed into the FrameNum
// field and a port chosen in the list stay; the next frame gets the next number.
TEST_F(LiveListTest, EmptyFrameAddsNoRowAndRunsNoExchange) {
    const std::uint8_t address[] = {0xA0};
    const Frame frame{address, 1};
    access.ShowFrame(frame);
    access.ShowFrame(frame);
    SetWindowTextW(Control(IDC_FRAME_NUM), L"abc");
    ChoosePort(5);

    access.ShowFrame(Frame{address, 0});

    EXPECT_EQ(RowCount(), 2);
    EXPECT_EQ(access.FrameCounter(), 2);
    EXPECT_EQ(access.FrameNum(), 2u);
    EXPECT_EQ(FrameNumText(), L"abc");
    EXPECT_EQ(SelectedPort(), 5);

    access.ShowFrame(frame);
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(Row(2).seq, "3");
    EXPECT_EQ(FrameNumText(), L"3");
}

// Each row's exchange towards the controls also puts the port list and the mode buttons back to
// what the last exchange from the controls read.
TEST_F(LiveListTest, EachRowPutsThePortChoiceAndModeButtonsBack) {
    ChoosePort(6);
    CheckModes(false, true);
    const std::uint8_t address[] = {0xA0};

    access.ShowFrame(Frame{address, 1});

    EXPECT_EQ(SelectedPort(), 1);
    EXPECT_TRUE(IsChecked(IDC_REALTIME_SHOW));
    EXPECT_FALSE(IsChecked(IDC_REALTIME_SAVE));
    EXPECT_EQ(FrameNumText(), L"1");
}

TEST_F(LiveListTest, AfterClearTheNextFrameIsRowOne) {
    const std::uint8_t bytes[] = {0xA1, 0x07};
    for (int i = 0; i < 3; ++i) access.ShowFrame(Frame{bytes, 2});
    Press(IDC_CLEAR);
    ASSERT_EQ(RowCount(), 0);
    ASSERT_EQ(FrameNumText(), L"0");

    access.ShowFrame(Frame{bytes, 1});

    ASSERT_EQ(RowCount(), 1);
    EXPECT_EQ(Row(0), (RowTexts{"1", PinnedTimeText(), "1", "S<50:r>"}));
    EXPECT_EQ(FrameNumText(), L"1");
    EXPECT_EQ(access.FrameNum(), 1u);
}

// The list holds at most 200000 rows: the frame that finds it full empties it and becomes the
// only row, Seq 1. Under Wine every row that reaches a list costs several server round trips,
// so the test puts the first rows into the list directly, as ShowFrame would have numbered
// them, and lets the last kThroughTicks frames up to the limit come through the ticks.
TEST_F(LiveListTest, FrameAfterTheRowLimitEmptiesTheListAndStartsAtOne) {
    constexpr int kThroughTicks = 1000;
    constexpr int kDirect = kMaxListRows - kThroughTicks;
    const framework::ListView& list = access.FrameList();
    // Wine's list invalidates itself and updates its scroll bars at every insert, even in a
    // hidden window; with its redrawing off the direct fill takes a few seconds.
    list.Send(WM_SETREDRAW, FALSE);
    for (int i = 0; i < kDirect; ++i) list.InsertItem(i, std::to_string(i + 1).c_str());
    list.Send(WM_SETREDRAW, TRUE);
    access.SetFrameCounter(kDirect);

    Bytes stream;
    for (int i = 0; i < kThroughTicks; ++i) {
        const Bytes frame = FrameBytes({static_cast<std::uint8_t>(i)});
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    Press(IDC_OPEN_DEVICE);
    port.Queue(stream);
    TickUntilDrained();

    ASSERT_EQ(RowCount(), kMaxListRows);
    for (int i = 0; i < kMaxListRows; ++i)
        ASSERT_EQ(list.ItemText(i, 0), std::to_string(i + 1)) << "row " << i;
    for (int i = 0; i < kThroughTicks; ++i) {
        const Frame frame{&stream[static_cast<std::size_t>(4 * i + 3)], 1};
        ASSERT_EQ(list.ItemText(kDirect + i, 3), FormatFrameData(frame)) << "frame " << i;
    }
    EXPECT_EQ(FrameNumText(), L"200000");
    EXPECT_EQ(access.FrameCounter(), kMaxListRows);

    port.Queue(FrameBytes({0xA1, 0x09}));
    TickUntilDrained();

    ASSERT_EQ(RowCount(), 1);
    EXPECT_EQ(Row(0), (RowTexts{"1", PinnedTimeText(), "2", "S<50:r>09 "}));
    EXPECT_EQ(FrameNumText(), L"1");
    EXPECT_EQ(access.FrameNum(), 1u);
    EXPECT_EQ(access.FrameCounter(), 1);
}

}  // namespace
}  // namespace veskar
