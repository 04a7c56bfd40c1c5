#include "ui/monitor_dialog.h"

namespace veskar {

void MonitorDialog::OnSave() {}

}  // namespace veskar
