#pragma once

// The traffic of the simulated monitoring device: the byte stream it puts on the serial line
// ("HDR", address byte, data bytes, repeated) and the frames a receiver that cuts the stream at
// every "HDR" will show for it. Platform-neutral, so that unit tests, benchmarks and end-to-end
// tests can use the very traffic the tool sends.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <vector>

namespace veskar::simdevice {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::array<std::uint8_t, 3> kMarker = {0x48, 0x44, 0x52};  // "HDR"

enum class Scenario {
    Realistic,      // EEPROM written and read back, a polled temperature sensor, a NACKed probe
    Smallest,       // marker and address byte only, 4 bytes a frame
    Bursts,         // bursts of frames with quiet gaps longer than a receiver tick
    Stray,          // stray bytes before the first marker, then ordinary frames
    HdrInData,      // data bytes that contain "HDR", which splits the frame
    BackToBack,     // markers back to back: empty frames
    WorkedExample,  // exactly 78 48 44 52 A0 01 02 48 44, a short pause, 52 A1 05
    Garbage,        // long stretches of bytes without a marker, and huge frames
    Mixed,          // frames with 1 to 32 data bytes
    LongGarbage,    // garbage ten times as long: seconds without a marker, frames near 64 KiB
};

inline constexpr std::array<Scenario, 10> kAllScenarios = {
    Scenario::Realistic, Scenario::Smallest,    Scenario::Bursts,        Scenario::Stray,
    Scenario::HdrInData, Scenario::BackToBack,  Scenario::WorkedExample, Scenario::Garbage,
    Scenario::Mixed,     Scenario::LongGarbage,
};

std::string_view NameOf(Scenario scenario);
std::optional<Scenario> ScenarioNamed(std::string_view name);

// One stretch of the line: a quiet time, then bytes sent back to back.
struct Piece {
    double quietBeforeMs = 0;  // the line stays silent this long before the bytes
    Bytes bytes;               // one marker with its frame, or stray bytes without a marker
    int framesSent = 0;        // the markers among the bytes
    std::vector<Bytes> shown;  // the non-empty frames a receiver shows for these bytes, in order
};

// The frames a receiver shows for the bytes that follow one marker: "HDR" inside them splits
// them, and empty parts (markers back to back) are not shown.
std::vector<Bytes> FramesShownFor(const std::uint8_t* content, std::size_t size);

// Produces a scenario's pieces one at a time, the same for the same seed on every platform.
// Every scenario but the worked example goes on for ever.
class TrafficGenerator {
  public:
    TrafficGenerator(Scenario scenario, std::uint64_t seed);

    // The next piece, or nothing when the scenario has ended.
    std::optional<Piece> Next();

  private:
    // The deterministic pseudo-random numbers (splitmix64) behind every choice.
    std::uint64_t Random();
    int RandomIn(int lowest, int highest);
    std::uint8_t RandomByte() { return static_cast<std::uint8_t>(Random()); }
    Bytes RandomBytes(int count);
    Bytes RandomBytesWithoutMarker(int count);

    void Queue(double quietBeforeMs, std::uint8_t address, const Bytes& data);
    // A frame to a random address byte with fewestData to mostData random data bytes.
    void QueueRandomFrame(double quietBeforeMs, int fewestData, int mostData);
    void QueueEmptyFrame();
    void QueueStray(double quietBeforeMs, Bytes bytes);

    // Each adds the scenario's next stretch of pieces to the queue.
    void AddRealisticPeriod();
    void AddSmallestFrames();
    void AddBurst();
    void AddStrayStart();
    void AddMixedFrames();
    void AddHdrInDataPatterns();
    void AddBackToBackRun();
    void AddWorkedExample();
    // `longest`: the longest stretch and the longest huge frame, in bytes.
    void AddGarbageStretch(int longest);

    Scenario scenario_;
    std::uint64_t state_;
    std::deque<Piece> queue_;
    std::uint64_t round_ = 0;  // stretches added so far
    double periodLineMs_ = 0;  // line time of the realistic period being built
    int temperatureHalfDegrees_ = 50;
};

// A whole run, for tests and benchmarks: the pieces until `frameCount` frames were sent (or the
// scenario ended), and their bytes and shown frames joined up.
struct Traffic {
    std::vector<Piece> pieces;
    Bytes stream;
    std::vector<Bytes> shown;
    std::int64_t framesSent = 0;
};
Traffic GenerateTraffic(Scenario scenario, std::uint64_t seed, std::int64_t frameCount);

}  // namespace veskar::simdevice
