#include "capture/monitoring_cycle.h"
#include "logs/log_file_format.h"
#include "ui/monitor_dialog.h"

namespace veskar {
namespace {

constexpr wchar_t kShowing[] = L"实时显示状态！";
constexpr wchar_t kSaving[] = L"实时保存状态！";

}  // namespace

// No message gets through between closing the file and the switch of the mode, so no tick can
// reach RecordFrame with the file closed.
void MonitorDialog::OnRealtimeShow() {
    if (displayMode_ == kRealtimeSave) recorderFile_.Close();
    OnClear();
    UpdateData(true);
    SetStatus(kShowing);
}

// The timer is stopped before the file is closed and the dialog opens, and started again only
// once the new file holds its header, so no tick finds the recorder without an open file.
void MonitorDialog::OnRealtimeSave() {
    StopMonitorTimer(Handle());
    if (displayMode_ == kRealtimeSave) recorderFile_.Close();
    UpdateData(true);
    const std::optional<std::wstring> chosenPath = AskForLogPath();
    if (!chosenPath) {
        displayMode_ = kRealtimeShow;
        UpdateData(false);
        return;
    }
    logBasePath_ = *chosenPath;
    OnClear();
    SetStatus(kSaving);
    logBasePath_ = LogBasePathOf(logBasePath_);
    logFileIndex_ = 0;
    frameNum_ = 0;
    try {
        OpenRecorderFile(0);
        recorderFile_.WriteHeader();
    } catch (...) {
        StopRecordingAfterError();
        throw;
    }
    ++recorderLines_;
    StartMonitorTimer(Handle());
}

// A frame counts, takes its number and shows it only once its line is in the file. A frame whose
// write failed stays pending in the capture buffer (the scanner keeps it), so the next recording
// writes it first, and no frame is ever written twice.
void MonitorDialog::RecordFrame(const Frame& frame) {
    if (frame.length == 0) return;  // two markers back to back: no transaction
    const bool rotate = recorderLines_ == kMaxLinesPerLogFile;
    const std::uint32_t number = frameNum_ + 1;
    try {
        if (rotate) OpenRecorderFile(logFileIndex_ + 1);
        recorderFile_.WriteRow(FormatFrameRow(frame, number));
    } catch (...) {
        StopRecordingAfterError();
        throw;
    }
    ++recorderLines_;
    // The first row of a file opened by a rotation is not counted.
    frameCounter_ = rotate ? 0 : frameCounter_ + 1;
    frameNum_ = number;
    UpdateData(false);
}

// Later files of a set have no header; a failed open shows at the first write.
void MonitorDialog::OpenRecorderFile(int fileIndex) {
    logFileIndex_ = fileIndex;
    recorderFile_.Close();
    recorderFile_.Create(LogFileName(logBasePath_, logFileIndex_));
    recorderLines_ = 0;
}

// Before the error box opens: its message loop would go on delivering ticks, and every frame
// would raise the error again. The file is given up whatever its close says, since the error
// being raised is the one to show.
void MonitorDialog::StopRecordingAfterError() {
    StopMonitorTimer(Handle());
    try {
        recorderFile_.Close();
    } catch (const framework::FileError&) {
    }
}

}  // namespace veskar
