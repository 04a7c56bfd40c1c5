#pragma once

#include <cstdint>

#include "ui/monitor_dialog.h"

namespace veskar {

// What in-process tests read and set of a MonitorDialog beyond its controls.
class MonitorDialogTestAccess {
  public:
    explicit MonitorDialogTestAccess(MonitorDialog& dialog) : dialog_(dialog) {}

    int PortIndex() const { return dialog_.portIndex_; }
    int DisplayMode() const { return dialog_.displayMode_; }
    std::uint32_t FrameNum() const { return dialog_.frameNum_; }
    void SetFrameNum(std::uint32_t value) { dialog_.frameNum_ = value; }
    int FrameCounter() const { return dialog_.frameCounter_; }
    void SetFrameCounter(int value) { dialog_.frameCounter_ = value; }
    const framework::ListView& FrameList() const { return dialog_.frameList_; }
    HICON AppIcon() const { return dialog_.appIcon_; }
    HFONT ListFont() const { return dialog_.listFont_.Handle(); }
    CaptureBuffer& Buffer() { return dialog_.captureBuffer_; }
    // The RealtimeShow frame handler, as the scanner calls it.
    void ShowFrame(const Frame& frame) { dialog_.ShowFrame(frame); }

  private:
    MonitorDialog& dialog_;
};

}  // namespace veskar
