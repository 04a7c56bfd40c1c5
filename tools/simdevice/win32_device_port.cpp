// The device's port on Windows: a COM port, for instance one end of a virtual null-modem pair.

#include <windows.h>

#include <algorithm>

#include "tools/simdevice/device_port.h"

namespace veskar::simdevice {
namespace {

std::string LastErrorText() {
    const DWORD code = GetLastError();
    char text[256] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    return message + " (error " + std::to_string(code) + ")";
}

// "COM5" becomes "\\.\COM5", the name that also reaches ports above COM9.
std::string DeviceName(const std::string& port) {
    return port.rfind("\\\\", 0) == 0 ? port : "\\\\.\\" + port;
}

class ComPort : public DevicePort {
  public:
    ComPort(HANDLE handle, std::string name) : handle_(handle), name_(std::move(name)) {}
    ~ComPort() override { CloseHandle(handle_); }

    bool Write(const std::uint8_t* bytes, std::size_t size, std::string& error) override {
        while (size > 0) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 65536));
            DWORD written = 0;
            if (!WriteFile(handle_, bytes, chunk, &written, nullptr)) {
                error = "cannot write to " + name_ + ": " + LastErrorText();
                return false;
            }
            if (gStopRequested) return false;
            bytes += written;
            size -= written;
        }
        return true;
    }

    bool Drain(double) override { return FlushFileBuffers(handle_) != 0; }

  private:
    HANDLE handle_;
    std::string name_;
};

// 230400 baud, 8 data bits, no parity, one stop bit, binary, no flow control.
bool SetLine(HANDLE port) {
    DCB line{};
    line.DCBlength = sizeof line;
    if (!GetCommState(port, &line)) return false;
    line.BaudRate = 230400;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    if (!SetCommState(port, &line)) return false;
    COMMTIMEOUTS timeouts{};  // writes wait until the port has taken every byte
    return SetCommTimeouts(port, &timeouts) != 0;
}

}  // namespace

std::unique_ptr<DevicePort> OpenDevicePort(const Options& options, std::string& error) {
    const std::string name = DeviceName(options.portPath);
    HANDLE port = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        error = "cannot open " + options.portPath + ": " + LastErrorText();
        return nullptr;
    }
    if (!SetLine(port)) {
        error = "cannot set " + options.portPath + " to 230400 baud 8N1: " + LastErrorText();
        CloseHandle(port);
        return nullptr;
    }
    return std::make_unique<ComPort>(port, options.portPath);
}

}  // namespace veskar::simdevice
