#include "tools/simdevice/options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace veskar::simdevice {
namespace {

std::optional<std::int64_t> WholeNumber(const std::string& text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

std::optional<double> Number(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value) || value < 0) return std::nullopt;
    return value;
}

std::string ScenarioList() {
    std::string list;
    for (Scenario scenario : kAllScenarios) {
        if (!list.empty()) list += ", ";
        list += NameOf(scenario);
    }
    return list;
}

// Checks the combination of options; the text of the first problem, or empty.
std::string Conflicts(const Options& options) {
#ifdef _WIN32
    if (options.portPath.empty()) return "--port COMn is required on Windows";
    if (!options.linkPath.empty()) return "--link needs a pseudo-terminal, which Windows has not";
#else
    if (!options.portPath.empty() && !options.linkPath.empty()) {
        return "--link names our own pseudo-terminal; it does not go with --port";
    }
#endif
    if (options.count && *options.count == 0) return "--count must be at least 1";
    if (options.durationSeconds && *options.durationSeconds <= 0) {
        return "--duration must be more than 0";
    }
    return {};
}

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    Options options;
    using Setter = std::function<std::string(const std::string&)>;
    // Each option that takes a value; the setter returns an error text or nothing.
    const std::map<std::string, Setter> valued = {
        {"--scenario",
         [&](const std::string& v) -> std::string {
             const auto scenario = ScenarioNamed(v);
             if (!scenario) return "unknown scenario \"" + v + "\" (one of " + ScenarioList() + ")";
             options.scenario = *scenario;
             return {};
         }},
        {"--seed",
         [&](const std::string& v) -> std::string {
             std::uint64_t seed = 0;
             const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), seed);
             if (error != std::errc() || end != v.data() + v.size()) return "bad --seed " + v;
             options.seed = seed;
             return {};
         }},
        {"--rate",
         [&](const std::string& v) -> std::string {
             if (v != "line" && v != "max") return "--rate is line or max, not " + v;
             options.rate = v == "line" ? Rate::Line : Rate::Max;
             return {};
         }},
        {"--count",
         [&](const std::string& v) -> std::string {
             options.count = WholeNumber(v);
             return options.count ? "" : "bad --count " + v;
         }},
        {"--duration",
         [&](const std::string& v) -> std::string {
             options.durationSeconds = Number(v);
             return options.durationSeconds ? "" : "bad --duration " + v;
         }},
        {"--quiet-end",
         [&](const std::string& v) -> std::string {
             const auto ms = Number(v);
             if (!ms) return "bad --quiet-end " + v;
             options.quietEndMs = *ms;
             return {};
         }},
        {"--delay",
         [&](const std::string& v) -> std::string {
             const auto ms = Number(v);
             if (!ms) return "bad --delay " + v;
             options.delayMs = *ms;
             return {};
         }},
        {"--log", [&](const std::string& v) -> std::string { return (options.logPath = v, ""); }},
        {"--port", [&](const std::string& v) -> std::string { return (options.portPath = v, ""); }},
        {"--link", [&](const std::string& v) -> std::string { return (options.linkPath = v, ""); }},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--help", [&] { options.help = true; }},
        {"--wait-open", [&] { options.waitForReader = true; }},
        {"--no-wait", [&] { options.waitForReader = false; }},
        {"--wait-enter", [&] { options.waitForEnter = true; }},
    };

    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string& arg = args[at];
        if (const auto flag = flags.find(arg); flag != flags.end()) {
            flag->second();
            continue;
        }
        const auto option = valued.find(arg);
        if (option == valued.end()) return {std::nullopt, "unknown option " + arg};
        if (at + 1 == args.size()) return {std::nullopt, arg + " needs a value"};
        if (std::string error = option->second(args[++at]); !error.empty()) {
            return {std::nullopt, error};
        }
    }
    if (options.help) return {options, {}};
    if (std::string error = Conflicts(options); !error.empty()) return {std::nullopt, error};
    return {options, {}};
}

std::string UsageText() {
    return "usage: simdevice [options]\n"
           "Plays the I2C monitoring device: writes its byte stream (\"HDR\", address byte, data\n"
           "bytes) to a serial port at 230400 baud, 8 data bits, 1 stop bit, no parity.\n"
           "\n"
           "Port:\n"
#ifndef _WIN32
           "  (default)          open a pseudo-terminal pair and print the path of its far end\n"
           "                     (e.g. /dev/pts/7) as the first line of standard output\n"
           "  --wait-open        start sending once a reader has opened that far end (default)\n"
           "  --link PATH        also make PATH a symbolic link to the far end (e.g.\n"
           "                     $WINEPREFIX/dosdevices/com2); removed again at the end\n"
           "  --no-wait          send at once; the pseudo-terminal holds about 20 KB for a reader\n"
           "                     that comes later, and nothing once the tool has ended\n"
           "  --port PATH        write to this existing device instead (e.g. one end of a socat\n"
           "                     pair)\n"
#else
           "  --port COMn        write to this COM port (e.g. one end of a com0com pair)\n"
#endif
           "\n"
           "Traffic:\n"
           "  --scenario NAME    realistic (default): an EEPROM at 0x50 written and read back, a\n"
           "                       temperature sensor at 0x48 polled every 100 ms, a NACKed probe\n"
           "                     smallest: marker and address byte only, 4 bytes a frame\n"
           "                     bursts: bursts of frames, quiet for more than 10 ms between\n"
           "                     stray: stray bytes before the first marker, then mixed frames\n"
           "                     hdr-in-data: data holding 48 44 52, which splits the frame\n"
           "                     back-to-back: markers back to back (empty frames)\n"
           "                     worked-example: 78 48 44 52 A0 01 02 48 44, a 5 ms pause,\n"
           "                       52 A1 05, then quiet\n"
           "                     garbage: long runs without a marker, after 200 ms quiet, and\n"
           "                       frames of up to 20000 bytes\n"
           "                     mixed: frames with 1 to 32 data bytes\n"
           "                     long-garbage: garbage with runs of up to 200000 bytes (9 s at\n"
           "                       the line rate) and frames of up to 65000 bytes\n"
           "  --seed N           seed of the scenario's random choices (default 1)\n"
           "  --rate line|max    line: 23040 bytes/s, the rate of 230400 baud (default);\n"
           "                     max: as fast as the port takes them. Both keep the scenario's\n"
           "                     quiet times.\n"
           "  --count N          stop after N frames sent (markers; empty frames count)\n"
           "  --duration S       stop after S seconds\n"
           "                     (neither: run until interrupted)\n"
           "  --delay MS         wait MS milliseconds before the first byte\n"
           "  --wait-enter       wait for a line on standard input before the first byte\n"
           "  --quiet-end MS     after the last byte, wait until the reader has taken everything,\n"
           "                     then keep the line quiet for MS milliseconds (default 200) so "
           "that\n"
           "                     the receiver's quiet tick ends the last frame\n"
           "  --log FILE         write the frames a receiver will show, one a line:\n"
           "                     \"<seq> <len> <hex bytes>\"; '#' lines are comments\n"
           "  --help             show this text\n"
           "\n"
           "At the end a summary goes to standard error. Exit status: 0 done (or interrupted),\n"
           "1 port or log file error, 2 usage error.\n";
}

}  // namespace veskar::simdevice
