#include <windows.h>

#include "capture/read_chunk.h"
#include "capture/serial_link.h"
#include "capture/win32_comm_port.h"
#include "ui/monitor_app.h"

namespace {

// The program-wide objects, constructed before WinMain runs and destroyed after it returns; the
// serial port is left for the system to release at process end.
veskar::Win32CommPort commPort;
veskar::SerialLink serialLink(commPort);
veskar::ReadChunk readChunk;
veskar::MonitorApp monitorApp(serialLink, readChunk);

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return monitorApp.Run();
}
