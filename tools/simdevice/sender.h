#pragma once

// The run of the simulated device: the scenario's pieces written to the port on schedule.

#include <cstdint>
#include <string>

#include "tools/simdevice/device_port.h"
#include "tools/simdevice/frame_log.h"
#include "tools/simdevice/options.h"

namespace veskar::simdevice {

struct RunSummary {
    std::int64_t framesSent = 0;   // markers sent
    std::int64_t framesShown = 0;  // frames a receiver shows for them
    std::uint64_t bytesSent = 0;
    double elapsedSeconds = 0;  // from the first byte until the reader had the last one
    bool interrupted = false;
    bool unread = false;  // the reader stopped taking the bytes before the end
    std::string error;    // a port error, or empty
};

// Sends the scenario of `options` to `port` until its count, its duration, its end or a stop;
// then waits for the reader to take the bytes and keeps the line quiet for the quiet end.
// Each piece sent goes to `log` when there is one.
RunSummary SendTraffic(const Options& options, DevicePort& port, FrameLogWriter* log);

// "sent 12 frames (2 shown), 12 bytes in 0.005 s: ..." for the end of a run.
std::string SummaryText(const RunSummary& summary);

// Sleeps `ms`, in short steps so that a stop is noticed; false if stopped.
bool SleepUnlessStopped(double ms);

}  // namespace veskar::simdevice
