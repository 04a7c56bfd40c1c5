#include "ui/about_dialog.h"

#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"

namespace veskar {

AboutDialog::AboutDialog() : framework::Dialog(IDD_ABOUT_DIALOG) {}

// The About entry of the system menu opens the About box. The system keeps the low four bits
// of a command id for itself, so every id from 16 to 31 counts as the entry. Everything else
// (restore, move, minimise, close, ...) behaves as in any dialog.
void MonitorDialog::OnSysCommand(UINT commandId, LPARAM) {
    if ((commandId & 0xFFF0) == IDM_ABOUT_BOX) {
        AboutDialog about;
        about.DoModal();
        return;
    }
    Default();
}

}  // namespace veskar
