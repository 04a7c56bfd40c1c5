#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "capture/frame_row.h"
#include "capture/serial_link.h"
#include "fakes/recording_comm_port.h"
#include "framework/prompts.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"
#include "win32/support/fake_prompts.h"
#include "win32/support/monitor_dialog_access.h"

namespace veskar::testing {

using Bytes = std::vector<std::uint8_t>;

// The device's byte stream for one frame: the marker, then the address and data bytes.
inline Bytes FrameBytes(const Bytes& frame) {
    Bytes bytes;
    bytes.reserve(3 + frame.size());
    for (const std::uint8_t byte : {0x48, 0x44, 0x52}) bytes.push_back(byte);
    for (const std::uint8_t byte : frame) bytes.push_back(byte);
    return bytes;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The enabled state of "Open", "Close", "Start Monitor" and "Stop", in this order.
using DeviceButtons = std::array<bool, 4>;
inline constexpr int kDeviceButtonIds[4] = {IDC_OPEN_DEVICE, IDC_CLOSE_DEVICE, IDC_START_MONITOR,
                                            IDC_STOP_MONITOR};

struct RowTexts {
    std::string seq, time, len, data;
    bool operator==(const RowTexts&) const = default;
};

inline void PrintTo(const RowTexts& row, std::ostream* out) {
    *out << "{" << row.seq << ", " << row.time << ", " << row.len << ", \"" << row.data << "\"}";
}

// The real main window, created modelessly from its template and hidden (a hidden window skips
// Wine's repainting), on a SerialLink over a recording fake port. Ticks are sent as WM_TIMER
// messages, so every test decides exactly when one runs.
class LiveDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWallClock(&PinnedClock);
        ASSERT_TRUE(dialog.CreateModeless());
        ShowWindow(dialog.Handle(), SW_HIDE);
    }
    void TearDown() override {
        dialog.DestroyModeless();
        SetWallClock(nullptr);
    }

    // A fixed moment, so that every row shows the same Time text.
    static std::time_t PinnedClock() { return kPinnedTime; }
    static constexpr std::time_t kPinnedTime = 1700000000;
    static std::string PinnedTimeText() {
        std::tm local{};
        const std::time_t when = kPinnedTime;
        localtime_s(&local, &when);
        char text[16] = "";
        std::strftime(text, sizeof text, "%H:%M:%S", &local);
        return text;
    }

    HWND Dialog() const { return dialog.Handle(); }
    HWND Control(int id) const { return GetDlgItem(dialog.Handle(), id); }

    // Presses a button as the user does; only an enabled button can be pressed.
    void Press(int id) const {
        ASSERT_TRUE(IsWindowEnabled(Control(id))) << "button " << id << " is disabled";
        SendMessageW(Control(id), BM_CLICK, 0, 0);
    }
    void Tick(WPARAM timerId = 1) const { SendMessageW(Dialog(), WM_TIMER, timerId, 0); }
    // Ticks until the fake port's queue is drained, then one quiet tick flushes the last frame.
    void TickUntilDrained() const {
        while (!port.waiting.empty()) Tick();
        Tick();
    }

    std::wstring TextOf(int id) const {
        wchar_t text[256] = {};
        GetWindowTextW(Control(id), text, static_cast<int>(std::size(text)));
        return text;
    }
    std::wstring Status() const { return TextOf(IDC_STATUS_LINE); }
    std::wstring FrameNumText() const { return TextOf(IDC_FRAME_NUM); }
    DeviceButtons Buttons() const {
        DeviceButtons enabled{};
        for (std::size_t i = 0; i < enabled.size(); ++i)
            enabled[i] = IsWindowEnabled(Control(kDeviceButtonIds[i])) != FALSE;
        return enabled;
    }
    void ChoosePort(int index) const {
        SendMessageW(Control(IDC_COM_PORT), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    int SelectedPort() const {
        return static_cast<int>(SendMessageW(Control(IDC_COM_PORT), CB_GETCURSEL, 0, 0));
    }
    void CheckModes(bool show, bool save) const {
        SendMessageW(Control(IDC_REALTIME_SHOW), BM_SETCHECK, show ? BST_CHECKED : BST_UNCHECKED,
                     0);
        SendMessageW(Control(IDC_REALTIME_SAVE), BM_SETCHECK, save ? BST_CHECKED : BST_UNCHECKED,
                     0);
    }
    bool IsChecked(int id) const {
        return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    int RowCount() const { return access.FrameList().ItemCount(); }
    RowTexts Row(int index) const {
        const framework::ListView& list = access.FrameList();
        return {list.ItemText(index, 0), list.ItemText(index, 1), list.ItemText(index, 2),
                list.ItemText(index, 3)};
    }
    std::vector<std::string> DataColumn() const {
        std::vector<std::string> data;
        for (int i = 0; i < RowCount(); ++i) data.push_back(access.FrameList().ItemText(i, 3));
        return data;
    }

    // How many calls of the given kind the fake port received so far ("ReadFile #1", ...).
    int CallsStartingWith(const std::string& prefix) const {
        int count = 0;
        for (const std::string& call : port.calls)
            if (call.rfind(prefix, 0) == 0) ++count;
        return count;
    }

    // Whether MonitorTimer exists; the probe destroys it, so it ends a test's use of the timer.
    bool TimerExistedUntilNow() const { return KillTimer(Dialog(), 1) != FALSE; }

    RecordingCommPort port;
    SerialLink link{port};
    ReadChunk chunk{};
    FakePrompts prompts;
    framework::ScopedPrompts scopedPrompts{prompts};
    MonitorDialog dialog{link, chunk};
    MonitorDialogTestAccess access{dialog};
};

}  // namespace veskar::testing
