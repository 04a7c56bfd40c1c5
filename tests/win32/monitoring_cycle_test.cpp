// The device and monitoring commands and the timer tick, on the real main window over a fake
// port: status texts, button states, and what each tick reads and hands to the scanner.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win32/support/live_dialog_fixture.h"

namespace veskar {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::DeviceButtons;
using testing::FrameBytes;

constexpr bool E = true;   // enabled
constexpr bool D = false;  // disabled

using MonitoringCycleTest = testing::LiveDialogTest;

// One user session through every command, each row starting from the state the row before left.
// The columns that a command leaves unchanged differ from row to row, which is what shows them.
TEST_F(MonitoringCycleTest, CommandsSetTheirStatusTextAndButtonStates) {
    struct Step {
        const char* what;
        int button;
        bool portAbsent;  // COM2 cannot be opened
        const wchar_t* status;
        DeviceButtons after;  // Open, Close, Start Monitor, Stop
    };
    const Step steps[] = {
        {"Close before any Open", IDC_CLOSE_DEVICE, false, L"设备关闭成功！", {E, D, D, D}},
        {"failed Open", IDC_OPEN_DEVICE, true, L"设备打开失败!", {E, D, D, D}},
        {"Open", IDC_OPEN_DEVICE, false, L"设备打开成功!", {D, E, E, D}},
        {"Start Monitor", IDC_START_MONITOR, false, L"设备处于监视状态！", {D, E, D, E}},
        {"Close while monitoring", IDC_CLOSE_DEVICE, false, L"设备关闭成功！", {E, D, D, E}},
        {"failed Open while monitoring", IDC_OPEN_DEVICE, true, L"设备打开失败!", {E, D, D, E}},
        {"Stop with the port closed", IDC_STOP_MONITOR, false, L"关闭监视！", {E, D, E, D}},
        {"Start Monitor with the port closed",
         IDC_START_MONITOR,
         false,
         L"设备处于监视状态！",
         {E, D, D, E}},
        {"Open while the ticks run", IDC_OPEN_DEVICE, false, L"设备打开成功!", {D, E, E, D}},
        {"Start Monitor again", IDC_START_MONITOR, false, L"设备处于监视状态！", {D, E, D, E}},
        {"Stop", IDC_STOP_MONITOR, false, L"关闭监视！", {D, E, E, D}},
        {"Close", IDC_CLOSE_DEVICE, false, L"设备关闭成功！", {E, D, E, D}},
    };
    ASSERT_EQ(Buttons(), (DeviceButtons{E, E, D, D}));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        port.absentPorts.clear();
        if (step.portAbsent) port.absentPorts.insert("COM2");

        Press(step.button);

        EXPECT_EQ(Status(), step.status);
        EXPECT_EQ(Buttons(), step.after);
    }
}

// A failed Open leaves every control but the StatusLine as it was, and starts nothing.
TEST_F(MonitoringCycleTest, FailedOpenChangesOnlyTheStatus) {
    Press(IDC_OPEN_DEVICE);
    Press(IDC_START_MONITOR);
    port.Queue(FrameBytes({0xA0, 0x01}));
    Tick();
    Tick();
    ASSERT_EQ(RowCount(), 1);
    Press(IDC_STOP_MONITOR);
    Press(IDC_CLOSE_DEVICE);
    ChoosePort(4);
    port.absentPorts.insert("COM5");

    struct Snapshot {
        std::vector<bool> enabled;
        std::vector<std::wstring> texts;
        std::vector<bool> checked;
        int selectedPort, rows, frameCounter;
        bool operator==(const Snapshot&) const = default;
    };
    const int ids[] = {IDC_OPEN_DEVICE,   IDC_CLOSE_DEVICE, IDC_START_MONITOR, IDC_STOP_MONITOR,
                       IDC_CLEAR,         IDC_SAVE,         IDC_COM_PORT,      IDC_FRAME_NUM,
                       IDC_REALTIME_SHOW, IDC_REALTIME_SAVE};
    const auto take = [&] {
        Snapshot shot{{}, {}, {}, SelectedPort(), RowCount(), access.FrameCounter()};
        for (const int id : ids) {
            shot.enabled.push_back(IsWindowEnabled(Control(id)) != FALSE);
            shot.texts.push_back(TextOf(id));
        }
        shot.checked = {IsChecked(IDC_REALTIME_SHOW), IsChecked(IDC_REALTIME_SAVE)};
        return shot;
    };
    const Snapshot before = take();
    port.ClearCalls();

    Press(IDC_OPEN_DEVICE);

    EXPECT_EQ(Status(), L"设备打开失败!");
    EXPECT_TRUE(take() == before);
    EXPECT_EQ(port.calls, std::vector<std::string>{"CreateFile COM5"});
    EXPECT_EQ(access.PortIndex(), 4);  // the choice that Open took from the list
    EXPECT_FALSE(TimerExistedUntilNow());
}

// Close does not stop monitoring: the ticks go on, read nothing from the closed port, and the
// quiet tick flushes the frame that was pending.
TEST_F(MonitoringCycleTest, CloseWhileMonitoringKeepsTheTicksGoingOnNothing) {
    Press(IDC_OPEN_DEVICE);
    Press(IDC_START_MONITOR);
    port.Queue(FrameBytes({0xA0, 0x01}));
    Tick();
    ASSERT_EQ(RowCount(), 0);  // pending until a marker or a quiet tick

    Press(IDC_CLOSE_DEVICE);
    EXPECT_EQ(Status(), L"设备关闭成功！");
    EXPECT_EQ(Buttons(), (DeviceButtons{E, D, D, E}));

    port.ClearCalls();
    port.Queue(FrameBytes({0xA2, 0x02}));
    Tick();
    Tick();
    EXPECT_TRUE(port.calls.empty());
    EXPECT_EQ(port.waiting.size(), 5u);
    EXPECT_EQ(DataColumn(), std::vector<std::string>{"S<50:w>01 "});
    EXPECT_EQ(Status(), L"设备关闭成功！");

    EXPECT_TRUE(TimerExistedUntilNow());
}

// Open after Close without Stop: the next tick reads from the newly opened port, while the
// buttons say monitoring is off; Start Monitor then purges the new port.
TEST_F(MonitoringCycleTest, OpenWhileTheTicksRunReadsTheNewPortAtTheNextTick) {
    Press(IDC_OPEN_DEVICE);
    Press(IDC_START_MONITOR);
    Press(IDC_CLOSE_DEVICE);
    ChoosePort(4);
    Press(IDC_OPEN_DEVICE);
    EXPECT_EQ(Buttons(), (DeviceButtons{D, E, E, D}));

    port.ClearCalls();
    port.Queue(FrameBytes({0xA1, 0x05}));
    Tick();
    Tick();
    EXPECT_EQ(CallsStartingWith("ReadFile #2 5"), 1);
    EXPECT_EQ(CallsStartingWith("ReadFile #1"), 0);
    EXPECT_EQ(DataColumn(), std::vector<std::string>{"S<50:r>05 "});

    port.ClearCalls();
    port.Queue({0x01, 0x02});
    Press(IDC_START_MONITOR);
    EXPECT_EQ(port.calls, std::vector<std::string>{"PurgeComm #2 15"});
    EXPECT_TRUE(port.waiting.empty());
    EXPECT_TRUE(TimerExistedUntilNow());
}

// Only timer 1 is the monitoring tick; any other timer reaches the default handling alone.
TEST_F(MonitoringCycleTest, TimerIdsOtherThanOneReadNothing) {
    Press(IDC_OPEN_DEVICE);
    port.Queue(FrameBytes({0xA0, 0x01}));
    port.ClearCalls();
    for (const WPARAM id : {WPARAM{0}, WPARAM{2}, WPARAM{1000}, ~WPARAM{0}}) {
        SCOPED_TRACE(id);
        Tick(id);
        EXPECT_TRUE(port.calls.empty());
        EXPECT_EQ(port.waiting.size(), 5u);
        EXPECT_EQ(access.Buffer().Size(), 0u);
    }
    Tick(1);
    EXPECT_EQ(CallsStartingWith("ReadFile #1 5"), 1);
}

// With neither mode button selected, the ticks read and append but hand nothing to the scanner
// (not even the idle flush); once "Realtime-Show" is selected again the bytes come out as frames.
TEST_F(MonitoringCycleTest, ModeOfNeitherKindKeepsTheBytesInTheBuffer) {
    Press(IDC_OPEN_DEVICE);
    CheckModes(false, false);
    Press(IDC_START_MONITOR);
    ASSERT_EQ(access.DisplayMode(), -1);

    const Bytes stream = Concat({FrameBytes({0xA0, 0x01}), FrameBytes({0xA2, 0x02})});
    port.Queue(stream);
    Tick();
    Tick();  // quiet: no idle flush either
    EXPECT_TRUE(port.waiting.empty());
    EXPECT_EQ(RowCount(), 0);
    EXPECT_EQ(access.Buffer().Size(), stream.size());

    CheckModes(true, false);
    Press(IDC_STOP_MONITOR);
    Press(IDC_START_MONITOR);
    ASSERT_EQ(access.DisplayMode(), kRealtimeShow);
    port.Queue(FrameBytes({0xA4}));
    Tick();
    EXPECT_EQ(DataColumn(), (std::vector<std::string>{"S<50:w>01 ", "S<51:w>02 "}));
    Tick();
    EXPECT_EQ(DataColumn(), (std::vector<std::string>{"S<50:w>01 ", "S<51:w>02 ", "S<52:w>"}));
}

// Stop then Start Monitor: what reached the port in between is purged, while the frame pending
// in the capture buffer is completed by the ticks after the restart.
TEST_F(MonitoringCycleTest, RestartPurgesThePortAndCompletesThePendingFrame) {
    Press(IDC_OPEN_DEVICE);
    Press(IDC_START_MONITOR);
    port.Queue(FrameBytes({0xA0, 0x01}));
    Tick();
    Press(IDC_STOP_MONITOR);
    ASSERT_EQ(RowCount(), 0);

    port.Queue(Concat({{0xEE}, FrameBytes({0xB0, 0xEE})}));  // sent while monitoring was off
    Press(IDC_START_MONITOR);
    EXPECT_TRUE(port.waiting.empty());

    port.Queue({0x02});
    Tick();
    EXPECT_EQ(RowCount(), 0);
    Tick();
    ASSERT_EQ(RowCount(), 1);
    EXPECT_EQ(Row(0).len, "3");
    EXPECT_EQ(Row(0).data, "S<50:w>01 02 ");
}

// A tick takes at most 10000 of the bytes waiting; the rest comes with the next ticks, in order.
TEST_F(MonitoringCycleTest, TickTakesAtMostTenThousandBytes) {
    constexpr int kFrames = 2501;  // 10004 bytes of 4-byte frames
    Bytes stream;
    for (int i = 0; i < kFrames; ++i) {
        const Bytes frame = FrameBytes({static_cast<std::uint8_t>(i % 256)});
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    Press(IDC_OPEN_DEVICE);
    port.Queue(stream);
    port.ClearCalls();

    Tick();
    EXPECT_EQ(port.calls, (std::vector<std::string>{"ClearCommError #1", "ReadFile #1 10000"}));
    EXPECT_EQ(port.waiting.size(), 4u);
    EXPECT_EQ(RowCount(), 2499);  // the 2500th is pending
    Tick();
    EXPECT_EQ(CallsStartingWith("ReadFile #1 4"), 1);
    EXPECT_EQ(RowCount(), 2500);
    Tick();
    ASSERT_EQ(RowCount(), kFrames);

    for (int i = 0; i < kFrames; ++i) {
        const Frame frame{&stream[static_cast<std::size_t>(4 * i + 3)], 1};
        ASSERT_EQ(access.FrameList().ItemText(i, 3), FormatFrameData(frame)) << "row " << i;
    }
}

// The real MonitorTimer: after Start Monitor the window's own ticks read the port; after Stop
// they end.
TEST_F(MonitoringCycleTest, RealTimerDeliversTicksUntilStop) {
    Press(IDC_OPEN_DEVICE);
    Press(IDC_START_MONITOR);
    port.Queue(FrameBytes({0xA0, 0x01}));

    const auto pumpFor = [](DWORD milliseconds, const std::function<bool()>& done) {
        const DWORD start = GetTickCount();
        MSG message;
        while (!done() && GetTickCount() - start < milliseconds) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            Sleep(1);
        }
    };
    pumpFor(5000, [&] { return RowCount() == 1; });
    ASSERT_EQ(DataColumn(), std::vector<std::string>{"S<50:w>01 "});

    Press(IDC_STOP_MONITOR);
    pumpFor(20, [] { return false; });  // a tick already due may still arrive
    const int readsAtStop = CallsStartingWith("ReadFile");
    pumpFor(100, [] { return false; });
    EXPECT_EQ(CallsStartingWith("ReadFile"), readsAtStop);
    EXPECT_FALSE(TimerExistedUntilNow());
}

}  // namespace
}  // namespace veskar
