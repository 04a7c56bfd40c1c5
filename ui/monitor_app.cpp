#include "ui/monitor_app.h"

#include <windows.h>

#include <commctrl.h>

#include "ui/monitor_dialog.h"

namespace veskar {

namespace {

// The rich-edit library is loaded once for the program's life, although no dialog holds a
// rich-edit control.
void LoadRichEditLibrary() {
    static const HMODULE richEdit = LoadLibraryW(L"RICHED32.DLL");
    (void)richEdit;
}

void InitListViewControl() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
}

}  // namespace

bool MonitorApp::InitInstance() {
    InitListViewControl();
    LoadRichEditLibrary();

    MonitorDialog mainWindow(serialLink_, readChunk_);
    framework::SetMainWindow(&mainWindow);
    mainWindow.DoModal();  // IDOK, IDCANCEL or -1: the program ends in every case
    framework::SetMainWindow(nullptr);
    return false;
}

}  // namespace veskar
