#include "capture/serial_link.h"

#include <algorithm>
#include <cstdio>

namespace veskar {

std::string SerialLink::PortName(int portIndex) {
    char name[16];
    std::snprintf(name, sizeof name, "COM%1d", portIndex + 1);
    return name;
}

int SerialLink::Open(int portIndex, std::uint32_t baudRate) {
    const std::string name = PortName(portIndex);
    if (HoldsPort()) {
        port_.CloseHandle(handle_);
        handle_ = kInvalidPortHandle;
    }
    open_ = 0;

    handle_ = port_.CreateFileA(name.c_str());
    if (!HoldsPort()) return 0;

    port_.SetupComm(handle_, kInputQueueBytes, kOutputQueueBytes);
    // A port that refuses the line settings would deliver bytes read at the wrong rate, so it
    // does not count as open.
    if (!ApplyLineSettings(baudRate)) {
        port_.CloseHandle(handle_);
        handle_ = kInvalidPortHandle;
        return 0;
    }
    CommTimeouts timeouts;
    timeouts.readIntervalTimeout = 0xFFFFFFFFu;  // return at once with what has arrived
    port_.SetCommTimeouts(handle_, timeouts);

    open_ = 1;
    return 1;
}

bool SerialLink::ApplyLineSettings(std::uint32_t baudRate) {
    CommState state;
    if (!port_.GetCommState(handle_, state)) return false;
    state.baudRate = baudRate;
    state.parityCheck = false;
    state.byteSize = 8;
    state.stopBits = kOneStopBit;
    return port_.SetCommState(handle_, state);
}

int SerialLink::Read(std::uint8_t* buffer, std::uint32_t maxBytes) {
    if (open_ == 0) return 0;
    std::uint32_t waiting = 0;
    if (!port_.ClearCommError(handle_, waiting)) return 0;
    const std::uint32_t wanted = std::min(waiting, maxBytes);
    std::uint32_t bytesRead = 0;
    port_.ReadFile(handle_, buffer, wanted, bytesRead);
    // Never trust a count above what was asked for.
    return static_cast<int>(std::min(bytesRead, wanted));
}

void SerialLink::Purge() {
    if (HoldsPort()) port_.PurgeComm(handle_, kPurgeAll);
}

int SerialLink::Close() {
    if (HoldsPort()) {
        port_.SetCommMask(handle_, 0);
        port_.PurgeComm(handle_, kPurgeAll);
        port_.CloseHandle(handle_);
        handle_ = kInvalidPortHandle;
    }
    open_ = 0;
    return 1;
}

}  // namespace veskar
