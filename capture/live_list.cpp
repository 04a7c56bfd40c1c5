#include "ui/monitor_dialog.h"

namespace veskar {

void MonitorDialog::ShowFrame(const Frame&) {}

}  // namespace veskar
