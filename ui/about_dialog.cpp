#include "ui/monitor_dialog.h"

namespace veskar {

// System commands: restore, move, minimise, close and the others behave as in any dialog.
void MonitorDialog::OnSysCommand(UINT, LPARAM) {
    Default();
}

}  // namespace veskar
