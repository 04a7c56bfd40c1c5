#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "capture/comm_port.h"

namespace veskar::testing {

// A CommPort that records every call as a line of text and serves bytes queued by the test.
// Each port name opened gets its own handle number; names in `absentPorts` fail to open.
class RecordingCommPort final : public CommPort {
  public:
    std::vector<std::string> calls;
    std::set<std::string> absentPorts;
    bool failGetCommState = false;
    bool failSetCommState = false;
    bool failClearCommError = false;
    std::deque<std::uint8_t> waiting;  // bytes in the driver's input queue
    CommState lastState;               // what SetCommState was given
    CommTimeouts lastTimeouts;

    void Queue(const std::vector<std::uint8_t>& bytes) {
        waiting.insert(waiting.end(), bytes.begin(), bytes.end());
    }
    void ClearCalls() { calls.clear(); }

    PortHandle CreateFileA(const char* name) override {
        calls.push_back(std::string("CreateFile ") + name);
        if (absentPorts.count(name) != 0) return kInvalidPortHandle;
        return nextHandle_++;
    }
    bool SetupComm(PortHandle port, std::uint32_t in, std::uint32_t out) override {
        Record("SetupComm", port, std::to_string(in) + " " + std::to_string(out));
        return true;
    }
    bool GetCommState(PortHandle port, CommState& state) override {
        Record("GetCommState", port);
        if (failGetCommState) return false;
        state.baudRate = 9600;
        state.parityCheck = true;
        state.byteSize = 7;
        state.stopBits = 2;
        state.platformState.fill(0xAB);  // fields the link must leave alone
        return true;
    }
    bool SetCommState(PortHandle port, const CommState& state) override {
        Record("SetCommState", port,
               std::to_string(state.baudRate) + " parity=" + std::to_string(state.parityCheck) +
                   " bits=" + std::to_string(state.byteSize) +
                   " stop=" + std::to_string(state.stopBits));
        lastState = state;
        return !failSetCommState;
    }
    bool SetCommTimeouts(PortHandle port, const CommTimeouts& timeouts) override {
        Record("SetCommTimeouts", port);
        lastTimeouts = timeouts;
        return true;
    }
    bool ClearCommError(PortHandle port, std::uint32_t& waitingBytes) override {
        Record("ClearCommError", port);
        if (failClearCommError) return false;
        waitingBytes = static_cast<std::uint32_t>(waiting.size());
        return true;
    }
    bool ReadFile(PortHandle port, std::uint8_t* buffer, std::uint32_t count,
                  std::uint32_t& bytesRead) override {
        Record("ReadFile", port, std::to_string(count));
        bytesRead = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(waiting.size()));
        for (std::uint32_t i = 0; i < bytesRead; ++i) {
            buffer[i] = waiting.front();
            waiting.pop_front();
        }
        return true;
    }
    bool PurgeComm(PortHandle port, std::uint32_t flags) override {
        Record("PurgeComm", port, std::to_string(flags));
        waiting.clear();
        return true;
    }
    bool SetCommMask(PortHandle port, std::uint32_t mask) override {
        Record("SetCommMask", port, std::to_string(mask));
        return true;
    }
    bool CloseHandle(PortHandle port) override {
        Record("CloseHandle", port);
        return true;
    }

  private:
    void Record(const char* call, PortHandle port, const std::string& args = {}) {
        std::string line = std::string(call) + " #" + std::to_string(port);
        if (!args.empty()) line += " " + args;
        calls.push_back(line);
    }

    PortHandle nextHandle_ = 1;
};

}  // namespace veskar::testing
