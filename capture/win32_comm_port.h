#pragma once

#include "capture/comm_port.h"

namespace veskar {

// The comm operations as the real Win32 calls.
class Win32CommPort final : public CommPort {
  public:
    PortHandle CreateFileA(const char* name) override;
    bool SetupComm(PortHandle port, std::uint32_t inQueue, std::uint32_t outQueue) override;
    bool GetCommState(PortHandle port, CommState& state) override;
    bool SetCommState(PortHandle port, const CommState& state) override;
    bool SetCommTimeouts(PortHandle port, const CommTimeouts& timeouts) override;
    bool ClearCommError(PortHandle port, std::uint32_t& waitingBytes) override;
    bool ReadFile(PortHandle port, std::uint8_t* buffer, std::uint32_t count,
                  std::uint32_t& bytesRead) override;
    bool PurgeComm(PortHandle port, std::uint32_t flags) override;
    bool SetCommMask(PortHandle port, std::uint32_t mask) override;
    bool CloseHandle(PortHandle port) override;
};

}  // namespace veskar
