#include "capture/frame_row.h"
#include "ui/monitor_dialog.h"

namespace veskar {

void MonitorDialog::ShowFrame(const Frame& frame) {
    if (frame.length == 0) return;  // two markers back to back: no transaction
    if (frameCounter_ == kMaxListRows) OnClear();
    ++frameCounter_;
    const FrameRow row = FormatFrameRow(frame, frameCounter_);
    const int item = frameCounter_ - 1;
    frameList_.InsertItem(item, row.seq.c_str());
    frameList_.SetSubItemText(item, 1, row.time.c_str());
    frameList_.SetSubItemText(item, 2, row.len.c_str());
    frameList_.SetSubItemText(item, 3, row.data.c_str());
    frameList_.Scroll(0, 50);
    frameNum_ = static_cast<std::uint32_t>(frameCounter_);
    UpdateData(false);
}

}  // namespace veskar
