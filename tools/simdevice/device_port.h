#pragma once

// Where the simulated device's bytes go. One implementation per platform: a pseudo-terminal of
// our own or an existing device on POSIX systems, a COM port on Windows.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "tools/simdevice/options.h"

namespace veskar::simdevice {

// Set by the interrupt handlers; every wait of the tool gives up once it is set.
inline std::atomic<bool> gStopRequested{false};

class DevicePort {
  public:
    virtual ~DevicePort() = default;

    // Waits until a reader has opened the port; false if the wait was stopped.
    virtual bool WaitForReader() { return true; }
    // Writes all the bytes, waiting while the port is full. False on a port error (with
    // `error`) or when stopped (with `error` left empty).
    virtual bool Write(const std::uint8_t* bytes, std::size_t size, std::string& error) = 0;
    // Waits until the bytes written so far have left for the reader, as far as the port shows;
    // false if the reader took none of them for `patienceSeconds`.
    virtual bool Drain(double patienceSeconds) = 0;
};

// Opens the port that the options name, or our own pseudo-terminal (whose far end's path it
// prints as the first line of standard output). Nothing, with `error`, on failure.
std::unique_ptr<DevicePort> OpenDevicePort(const Options& options, std::string& error);

}  // namespace veskar::simdevice
