#include "capture/win32_comm_port.h"

#include <windows.h>

#include <cstring>

namespace veskar {
namespace {

static_assert(sizeof(DCB) <= sizeof(CommState::platformState));
static_assert(kPurgeTxAbort == PURGE_TXABORT && kPurgeRxAbort == PURGE_RXABORT);
static_assert(kPurgeTxClear == PURGE_TXCLEAR && kPurgeRxClear == PURGE_RXCLEAR);
static_assert(kOneStopBit == ONESTOPBIT);

HANDLE ToHandle(PortHandle port) {
    return reinterpret_cast<HANDLE>(port);
}

}  // namespace

PortHandle Win32CommPort::CreateFileA(const char* name) {
    HANDLE handle =
        ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return handle == INVALID_HANDLE_VALUE ? kInvalidPortHandle
                                          : reinterpret_cast<PortHandle>(handle);
}

bool Win32CommPort::SetupComm(PortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) {
    return ::SetupComm(ToHandle(port), inQueue, outQueue) != FALSE;
}

bool Win32CommPort::GetCommState(PortHandle port, CommState& state) {
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(ToHandle(port), &dcb)) return false;
    state.baudRate = dcb.BaudRate;
    state.parityCheck = dcb.fParity != 0;
    state.byteSize = dcb.ByteSize;
    state.stopBits = dcb.StopBits;
    std::memcpy(state.platformState.data(), &dcb, sizeof dcb);
    return true;
}

bool Win32CommPort::SetCommState(PortHandle port, const CommState& state) {
    DCB dcb;
    std::memcpy(&dcb, state.platformState.data(), sizeof dcb);
    dcb.BaudRate = state.baudRate;
    dcb.fParity = state.parityCheck ? 1 : 0;
    dcb.ByteSize = state.byteSize;
    dcb.StopBits = state.stopBits;
    return ::SetCommState(ToHandle(port), &dcb) != FALSE;
}

bool Win32CommPort::SetCommTimeouts(PortHandle port, const CommTimeouts& timeouts) {
    COMMTIMEOUTS value;
    value.ReadIntervalTimeout = timeouts.readIntervalTimeout;
    value.ReadTotalTimeoutMultiplier = timeouts.readTotalTimeoutMultiplier;
    value.ReadTotalTimeoutConstant = timeouts.readTotalTimeoutConstant;
    value.WriteTotalTimeoutMultiplier = timeouts.writeTotalTimeoutMultiplier;
    value.WriteTotalTimeoutConstant = timeouts.writeTotalTimeoutConstant;
    return ::SetCommTimeouts(ToHandle(port), &value) != FALSE;
}

bool Win32CommPort::ClearCommError(PortHandle port, std::uint32_t& waitingBytes) {
    DWORD errors = 0;
    COMSTAT status;
    std::memset(&status, 0, sizeof status);
    if (!::ClearCommError(ToHandle(port), &errors, &status)) return false;
    waitingBytes = status.cbInQue;
    return true;
}

bool Win32CommPort::ReadFile(PortHandle port, std::uint8_t* buffer, std::uint32_t count,
                             std::uint32_t& bytesRead) {
    DWORD read = 0;
    const BOOL ok = ::ReadFile(ToHandle(port), buffer, count, &read, nullptr);
    bytesRead = ok ? read : 0;
    return ok != FALSE;
}

bool Win32CommPort::PurgeComm(PortHandle port, std::uint32_t flags) {
    return ::PurgeComm(ToHandle(port), flags) != FALSE;
}

bool Win32CommPort::SetCommMask(PortHandle port, std::uint32_t mask) {
    return ::SetCommMask(ToHandle(port), mask) != FALSE;
}

bool Win32CommPort::CloseHandle(PortHandle port) {
    return ::CloseHandle(ToHandle(port)) != FALSE;
}

}  // namespace veskar
