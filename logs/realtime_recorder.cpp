#include "ui/monitor_dialog.h"

namespace veskar {

void MonitorDialog::OnRealtimeShow() {}

void MonitorDialog::OnRealtimeSave() {}

void MonitorDialog::RecordFrame(const Frame&) {}

}  // namespace veskar
