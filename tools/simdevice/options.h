#pragma once

// The command line of the simulated device.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/simdevice/line_schedule.h"
#include "tools/simdevice/traffic_generator.h"

namespace veskar::simdevice {

struct Options {
    Scenario scenario = Scenario::Realistic;
    std::uint64_t seed = 1;
    Rate rate = Rate::Line;
    std::optional<std::int64_t> count;  // frames sent (markers), empty frames included
    std::optional<double> durationSeconds;
    double quietEndMs = 200;
    double delayMs = 0;
    bool waitForEnter = false;
    std::string logPath;
    std::string portPath;       // an existing port; empty: a pseudo-terminal of our own
    std::string linkPath;       // a symbolic link to our pseudo-terminal's far end
    bool waitForReader = true;  // our pseudo-terminal: send once a reader has opened it
    bool help = false;
};

struct ParsedOptions {
    std::optional<Options> options;  // nothing on a usage error
    std::string error;
};

// `args` are the arguments after the program name.
ParsedOptions ParseOptions(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace veskar::simdevice
