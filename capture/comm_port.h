#pragma once

#include <array>
#include <cstdint>

namespace veskar {

// The comm operations that SerialLink makes, as a small interface so that the link runs against
// the real Win32 calls in the program and against a recording fake in unit tests. Each operation
// stands for the Win32 call of the same name and reports that call's success.
using PortHandle = std::uintptr_t;
inline constexpr PortHandle kInvalidPortHandle = ~static_cast<PortHandle>(0);

// PurgeComm flags (same values as the Win32 constants).
inline constexpr std::uint32_t kPurgeTxAbort = 0x0001;
inline constexpr std::uint32_t kPurgeRxAbort = 0x0002;
inline constexpr std::uint32_t kPurgeTxClear = 0x0004;
inline constexpr std::uint32_t kPurgeRxClear = 0x0008;
inline constexpr std::uint32_t kOneStopBit = 0;

// The line settings as GetCommState reports them. `platformState` carries the whole DCB of the
// real port unchanged, so that SetCommState writes back every field that SerialLink leaves alone.
struct CommState {
    std::uint32_t baudRate = 0;
    bool parityCheck = false;  // DCB::fParity
    std::uint8_t byteSize = 0;
    std::uint8_t stopBits = 0;
    std::array<std::uint8_t, 64> platformState{};
};

struct CommTimeouts {
    std::uint32_t readIntervalTimeout = 0;
    std::uint32_t readTotalTimeoutMultiplier = 0;
    std::uint32_t readTotalTimeoutConstant = 0;
    std::uint32_t writeTotalTimeoutMultiplier = 0;
    std::uint32_t writeTotalTimeoutConstant = 0;
};

class CommPort {
  public:
    virtual ~CommPort() = default;

    // CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr).
    virtual PortHandle CreateFileA(const char* name) = 0;
    virtual bool SetupComm(PortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) = 0;
    virtual bool GetCommState(PortHandle port, CommState& state) = 0;
    virtual bool SetCommState(PortHandle port, const CommState& state) = 0;
    virtual bool SetCommTimeouts(PortHandle port, const CommTimeouts& timeouts) = 0;
    // ClearCommError; on success `waitingBytes` is COMSTAT::cbInQue.
    virtual bool ClearCommError(PortHandle port, std::uint32_t& waitingBytes) = 0;
    // ReadFile without OVERLAPPED; `bytesRead` is what the call reports as read (0 on failure).
    virtual bool ReadFile(PortHandle port, std::uint8_t* buffer, std::uint32_t count,
                          std::uint32_t& bytesRead) = 0;
    virtual bool PurgeComm(PortHandle port, std::uint32_t flags) = 0;
    virtual bool SetCommMask(PortHandle port, std::uint32_t mask) = 0;
    virtual bool CloseHandle(PortHandle port) = 0;
};

}  // namespace veskar
