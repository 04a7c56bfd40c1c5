#pragma once

#include <cstdint>
#include <string>

#include "capture/comm_port.h"

namespace veskar {

// The one connection to the monitoring device: a COM port opened at the caller's baud rate,
// 8 data bits, one stop bit, no parity checking; receive only. No operation ever waits.
class SerialLink {
  public:
    static constexpr std::uint32_t kInputQueueBytes = 3000;
    static constexpr std::uint32_t kOutputQueueBytes = 512;
    static constexpr std::uint32_t kPurgeAll =
        kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear;

    explicit SerialLink(CommPort& port) : port_(port) {}
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;

    // Opens "COM<portIndex + 1>", releasing a port held before. 1 = open, 0 = failed (the port
    // is absent, in use, refuses access, or refuses the line settings).
    int Open(int portIndex, std::uint32_t baudRate);
    // Places up to maxBytes of the bytes already waiting at the start of buffer; returns how many.
    int Read(std::uint8_t* buffer, std::uint32_t maxBytes);
    // Empties the driver's queues; bytes received before are lost.
    void Purge();
    // Releases the port. Always returns 1.
    int Close();

    bool IsOpen() const { return open_ != 0; }

    // "COM" followed by the 1-based port number.
    static std::string PortName(int portIndex);

  private:
    bool HoldsPort() const { return handle_ != kInvalidPortHandle; }
    bool ApplyLineSettings(std::uint32_t baudRate);

    CommPort& port_;
    PortHandle handle_ = kInvalidPortHandle;
    int open_ = 0;
};

}  // namespace veskar
