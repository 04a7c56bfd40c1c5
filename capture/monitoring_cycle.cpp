#include "capture/monitoring_cycle.h"

#include "capture/frame_scanner.h"
#include "capture/tick_stats.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"

namespace veskar {
namespace {

// The StatusLine texts of the device and monitoring commands.
constexpr wchar_t kOpenSucceeded[] = L"设备打开成功!";
constexpr wchar_t kOpenFailed[] = L"设备打开失败!";
constexpr wchar_t kCloseDone[] = L"设备关闭成功！";
constexpr wchar_t kMonitoring[] = L"设备处于监视状态！";
constexpr wchar_t kMonitoringOff[] = L"关闭监视！";

}  // namespace

void MonitorDialog::SetStatus(const wchar_t* text) const {
    Item(IDC_STATUS_LINE).SetText(text);
}

void MonitorDialog::EnableControl(int id, bool enabled) const {
    Item(id).Enable(enabled);
}

void MonitorDialog::OnOpenDevice() {
    UpdateData(true);
    if (serialLink_.Open(portIndex_, kDeviceBaudRate) != 1) {
        SetStatus(kOpenFailed);
        return;
    }
    SetStatus(kOpenSucceeded);
    EnableControl(IDC_OPEN_DEVICE, false);
    EnableControl(IDC_CLOSE_DEVICE, true);
    EnableControl(IDC_START_MONITOR, true);
    EnableControl(IDC_STOP_MONITOR, false);
}

// Close leaves monitoring alone: the ticks go on and read nothing.
void MonitorDialog::OnCloseDevice() {
    serialLink_.Close();
    SetStatus(kCloseDone);
    EnableControl(IDC_OPEN_DEVICE, true);
    EnableControl(IDC_CLOSE_DEVICE, false);
}

// What the device sent while monitoring was off is discarded in the driver; a frame already
// pending in the capture buffer stays and is completed by the coming ticks.
void MonitorDialog::OnStartMonitor() {
    serialLink_.Purge();
    EnableControl(IDC_START_MONITOR, false);
    EnableControl(IDC_STOP_MONITOR, true);
    UpdateData(true);
    StartMonitorTimer(Handle());
    SetStatus(kMonitoring);
}

void MonitorDialog::OnStopMonitor() {
    EnableControl(IDC_START_MONITOR, true);
    EnableControl(IDC_STOP_MONITOR, false);
    SetStatus(kMonitoringOff);
    StopMonitorTimer(Handle());
}

void MonitorDialog::OnTimer(UINT_PTR timerId) {
    VESKAR_TICK_STATS_GUARD(frameCounter_);  // the benchmark build times each tick
    if (timerId == kMonitorTimerId) {
        const int count = serialLink_.Read(readChunk_.data(), kReadChunkBytes);
        for (int i = 0; i < count; ++i)
            captureBuffer_.Append(readChunk_[static_cast<std::size_t>(i)]);
        // Two separate tests: a mode of neither kind leaves the bytes in the buffer.
        if (displayMode_ == kRealtimeShow) {
            FrameScanner::ProcessTick(captureBuffer_, count,
                                      [this](const Frame& frame) { ShowFrame(frame); });
        }
        if (displayMode_ == kRealtimeSave) {
            FrameScanner::ProcessTick(captureBuffer_, count,
                                      [this](const Frame& frame) { RecordFrame(frame); });
        }
    }
    Default();
}

}  // namespace veskar
