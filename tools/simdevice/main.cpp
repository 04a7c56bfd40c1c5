// simdevice: plays the I2C monitoring device on a serial port, so that Veskar can be tried,
// tested and measured without hardware. See UsageText() for the command line.

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "tools/simdevice/device_port.h"
#include "tools/simdevice/frame_log.h"
#include "tools/simdevice/options.h"
#include "tools/simdevice/sender.h"

namespace {

using namespace veskar::simdevice;

constexpr int kExitOk = 0;
constexpr int kExitPortError = 1;
constexpr int kExitUsage = 2;

extern "C" void OnInterrupt(int) {
    gStopRequested = true;
}

void CatchInterrupts() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a vanished reader shows up as a write error instead
#endif
}

std::string Heading(const Options& options) {
    return "simdevice scenario=" + std::string(NameOf(options.scenario)) +
           " seed=" + std::to_string(options.seed) +
           " rate=" + (options.rate == Rate::Line ? "line" : "max");
}

// Waits for a reader, the Enter key and the delay, as the options ask; false if stopped.
bool WaitForStart(const Options& options, DevicePort& port) {
    if (options.portPath.empty() && options.waitForReader && !port.WaitForReader()) return false;
    if (options.waitForEnter) {
        std::string line;
        std::getline(std::cin, line);
    }
    return SleepUnlessStopped(options.delayMs);
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "simdevice: " << parsed.error << "\nsimdevice --help shows the usage\n";
        return kExitUsage;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        std::cout << UsageText();
        return kExitOk;
    }
    CatchInterrupts();

    std::string error;
    std::unique_ptr<DevicePort> port = OpenDevicePort(options, error);
    if (!port) {
        std::cerr << "simdevice: " << error << '\n';
        return kExitPortError;
    }
    FrameLogWriter log;
    if (!options.logPath.empty() && !log.Open(options.logPath, Heading(options))) {
        std::cerr << "simdevice: cannot write the log " << options.logPath << '\n';
        return kExitPortError;
    }

    RunSummary summary;
    if (WaitForStart(options, *port)) {
        summary = SendTraffic(options, *port, log.IsOpen() ? &log : nullptr);
    } else {
        summary.interrupted = true;
    }
    const std::string text = SummaryText(summary);
    if (log.IsOpen() && !log.Close("end: " + text)) {
        std::cerr << "simdevice: cannot write the log " << options.logPath << '\n';
        return kExitPortError;
    }
    std::cerr << "simdevice: " << text << '\n';
    if (!summary.error.empty()) {
        std::cerr << "simdevice: " << summary.error << '\n';
        return kExitPortError;
    }
    return kExitOk;
}
