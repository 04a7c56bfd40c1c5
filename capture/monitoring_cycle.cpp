#include "ui/monitor_dialog.h"

namespace veskar {

void MonitorDialog::OnOpenDevice() {}

void MonitorDialog::OnCloseDevice() {}

void MonitorDialog::OnStartMonitor() {}

void MonitorDialog::OnStopMonitor() {}

// Every tick also goes on to the default handling of WM_TIMER.
void MonitorDialog::OnTimer(UINT_PTR) {
    Default();
}

}  // namespace veskar
