#include "ui/frame_info_dialog.h"

#include <windows.h>

#include <windowsx.h>

#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"

namespace veskar {

namespace {

// Only the first rows of the list open the detail dialog.
constexpr int kRowsWithDetail = 1000;

}  // namespace

FrameInfoDialog::FrameInfoDialog() : framework::Dialog(IDD_FRAME_INFO_DIALOG) {}

// Plain string fields: nothing is validated in either direction.
void FrameInfoDialog::DoDataExchange(framework::DataExchange& exchange) {
    exchange.Text(IDC_INFO_DATA, dataText);
    exchange.Text(IDC_INFO_LEN, lenText);
    exchange.Text(IDC_INFO_SEQ, seqText);
    exchange.Text(IDC_INFO_TIME, timeText);
}

// A double click on a row of the frame list shows that row in the detail dialog. The row is
// found again from where the cursor was when the click happened, on any of its columns.
void MonitorDialog::OnListDoubleClick(const NMHDR&, LRESULT& result) {
    result = 0;
    const DWORD position = GetMessagePos();
    LVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ScreenToClient(frameList_.Handle(), &hit.pt);
    if (frameList_.Send(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == -1) return;
    const int row = hit.iItem;
    if (row >= kRowsWithDetail) return;

    FrameInfoDialog detail;
    detail.seqText = frameList_.ItemText(row, 0);
    detail.timeText = frameList_.ItemText(row, 1);
    detail.lenText = frameList_.ItemText(row, 2);
    detail.dataText = frameList_.ItemText(row, 3);
    detail.DoModal();
}

}  // namespace veskar
