#include "ui/monitor_dialog.h"

namespace veskar {

// A double click on a row of the frame list.
void MonitorDialog::OnListDoubleClick(const NMHDR&, LRESULT& result) {
    result = 0;
}

}  // namespace veskar
