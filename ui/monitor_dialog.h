#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "capture/capture_buffer.h"
#include "capture/frame.h"
#include "capture/read_chunk.h"
#include "capture/serial_link.h"
#include "framework/dialog.h"
#include "framework/file.h"
#include "framework/window.h"
#include "logs/frame_log_file.h"

namespace veskar {

// DisplayMode: the position of the selected mode button.
inline constexpr int kRealtimeShow = 0;
inline constexpr int kRealtimeSave = 1;

// The list holds at most this many rows; the next frame empties it and starts again at Seq 1.
inline constexpr int kMaxListRows = 200000;

// The main window: the port choice, the device and monitoring commands, the mode buttons, the
// FrameNum field and the frame list. It owns the state that the capture engine and the frame
// logs share; its handlers are defined in the folder of the subsystem each belongs to
// (capture/monitoring_cycle.cpp, capture/live_list.cpp, logs/save_command.cpp,
// logs/realtime_recorder.cpp, ui/frame_info_dialog.cpp, ui/about_dialog.cpp).
class MonitorDialog : public framework::Dialog {
  public:
    // `serialLink` and `readChunk` are the program-wide objects; they outlive the window.
    MonitorDialog(SerialLink& serialLink, ReadChunk& readChunk);
    ~MonitorDialog() override;

  protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    void DoDataExchange(framework::DataExchange& exchange) override;
    bool OnInitDialog() override;
    void OnOK() override;

    // Device and monitoring commands, and the timer tick.
    void OnOpenDevice();
    void OnCloseDevice();
    void OnStartMonitor();
    void OnStopMonitor();
    void OnTimer(UINT_PTR timerId);
    // The frame handlers of the two display modes.
    void ShowFrame(const Frame& frame);
    void RecordFrame(const Frame& frame);
    // Commands of the frame logs.
    void OnSave();
    void OnRealtimeShow();
    void OnRealtimeSave();
    // Empties the list and restarts the numbering; the field shows "0" without an exchange.
    void OnClear();
    void OnListDoubleClick(const NMHDR& header, LRESULT& result);
    void OnSysCommand(UINT commandId, LPARAM position);
    void OnPaint();
    HICON OnQueryDragIcon() const { return appIcon_; }

  private:
    friend class MonitorDialogTestAccess;
    friend class FrameLogsTestAccess;

    void SetStatus(const wchar_t* text) const;
    void EnableControl(int id, bool enabled) const;

    void AddAboutMenuEntry() const;
    void CreateListFont();
    void SetUpFrameList() const;

    // The frame logs (logs/save_command.cpp, logs/realtime_recorder.cpp).
    std::optional<std::wstring> AskForLogPath() const;
    void ExportListRows(const std::wstring& basePath, int rowTotal) const;
    void OpenRecorderFile(int fileIndex);
    void StopRecordingAfterError();

    framework::ListView frameList_;
    int portIndex_ = 1;  // "COM2"
    int displayMode_ = kRealtimeShow;
    std::uint32_t frameNum_ = 0;
    CaptureBuffer captureBuffer_;
    framework::Font listFont_;
    std::wstring logBasePath_;  // wide, so that any path the save dialog offers works
    int logFileIndex_ = 0;      // set by each recording before use
    FrameLogFile recorderFile_;
    int frameCounter_ = 0;
    HICON appIcon_;
    // Lines in the recorder file since it was opened: rotation looks at these, not at
    // frameCounter_, which Clear resets, so that no file grows past its line limit.
    int recorderLines_ = 0;

    // Program-wide, not owned.
    SerialLink& serialLink_;
    ReadChunk& readChunk_;
};

}  // namespace veskar
