#include "tools/simdevice/traffic_generator.h"

#include <algorithm>
#include <initializer_list>

#include "tools/simdevice/line_schedule.h"

namespace veskar::simdevice {
namespace {

constexpr std::array<std::string_view, kAllScenarios.size()> kNames = {
    "realistic",    "smallest",       "bursts",  "stray", "hdr-in-data",
    "back-to-back", "worked-example", "garbage", "mixed", "long-garbage",
};

// The board of the realistic scenario.
constexpr std::uint8_t kEepromWrite = 0x50 << 1;
constexpr std::uint8_t kEepromRead = kEepromWrite | 1;
constexpr std::uint8_t kSensorWrite = 0x48 << 1;
constexpr std::uint8_t kSensorRead = kSensorWrite | 1;
constexpr std::array<std::uint8_t, 3> kAbsentAddresses = {0x3C, 0x68, 0x27};
constexpr double kPollPeriodMs = 100;
constexpr double kEepromWriteCycleMs = 5;

// The longest garbage stretch and huge frame: about 0.9 s of line time, and ten times that; the
// long frames stay below 64 KiB, the most a receiver needs to hold of one frame.
constexpr int kGarbageLongest = 20000;
constexpr int kLongGarbageLongest = 200000;
constexpr int kLongGarbageLongestFrame = 65000;

// Long enough that a receiver sees a quiet tick even when its ticks run late.
constexpr double kGarbageQuietMs = 200;
// Shorter than a receiver tick, so that the worked example's second read is not a quiet tick.
constexpr double kWorkedExamplePauseMs = 5;

bool MarkerAt(const std::uint8_t* bytes, std::size_t size, std::size_t at) {
    return at + kMarker.size() <= size && bytes[at] == kMarker[0] && bytes[at + 1] == kMarker[1] &&
           bytes[at + 2] == kMarker[2];
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

const Bytes kMarkerBytes(kMarker.begin(), kMarker.end());

}  // namespace

std::string_view NameOf(Scenario scenario) {
    return kNames[static_cast<std::size_t>(scenario)];
}

std::optional<Scenario> ScenarioNamed(std::string_view name) {
    for (Scenario scenario : kAllScenarios) {
        if (NameOf(scenario) == name) return scenario;
    }
    return std::nullopt;
}

std::vector<Bytes> FramesShownFor(const std::uint8_t* content, std::size_t size) {
    std::vector<Bytes> frames;
    std::size_t start = 0;
    std::size_t at = 0;
    auto closeFrame = [&](std::size_t end) {
        if (end > start) frames.emplace_back(content + start, content + end);
    };
    while (at < size) {
        if (MarkerAt(content, size, at)) {
            closeFrame(at);
            at += kMarker.size();
            start = at;
        } else {
            ++at;
        }
    }
    closeFrame(size);
    return frames;
}

TrafficGenerator::TrafficGenerator(Scenario scenario, std::uint64_t seed)
    : scenario_(scenario), state_(seed) {}

std::optional<Piece> TrafficGenerator::Next() {
    if (queue_.empty()) {
        switch (scenario_) {
            case Scenario::Realistic:
                AddRealisticPeriod();
                break;
            case Scenario::Smallest:
                AddSmallestFrames();
                break;
            case Scenario::Bursts:
                AddBurst();
                break;
            case Scenario::Stray:
                round_ == 0 ? AddStrayStart() : AddMixedFrames();
                break;
            case Scenario::HdrInData:
                AddHdrInDataPatterns();
                break;
            case Scenario::BackToBack:
                AddBackToBackRun();
                break;
            case Scenario::WorkedExample:
                if (round_ == 0) AddWorkedExample();
                break;
            case Scenario::Garbage:
                AddGarbageStretch(kGarbageLongest);
                break;
            case Scenario::LongGarbage:
                AddGarbageStretch(kLongGarbageLongest);
                break;
            case Scenario::Mixed:
                AddMixedFrames();
                break;
        }
        ++round_;
    }
    if (queue_.empty()) return std::nullopt;
    Piece piece = std::move(queue_.front());
    queue_.pop_front();
    return piece;
}

std::uint64_t TrafficGenerator::Random() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int TrafficGenerator::RandomIn(int lowest, int highest) {
    // In 64 bits, so that a range as wide as int itself does not overflow.
    const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(highest) - lowest + 1);
    return lowest + static_cast<int>(Random() % span);
}

Bytes TrafficGenerator::RandomBytes(int count) {
    Bytes bytes(static_cast<std::size_t>(count));
    for (std::uint8_t& byte : bytes) byte = RandomByte();
    return bytes;
}

Bytes TrafficGenerator::RandomBytesWithoutMarker(int count) {
    Bytes bytes = RandomBytes(count);
    for (std::size_t at = 2; at < bytes.size(); ++at) {
        if (MarkerAt(bytes.data(), bytes.size(), at - 2)) bytes[at] ^= 0x01;
    }
    return bytes;
}

void TrafficGenerator::Queue(double quietBeforeMs, std::uint8_t address, const Bytes& data) {
    Piece piece;
    piece.quietBeforeMs = quietBeforeMs;
    piece.bytes = Join({kMarkerBytes, Bytes{address}, data});
    piece.framesSent = 1;
    piece.shown =
        FramesShownFor(piece.bytes.data() + kMarker.size(), piece.bytes.size() - kMarker.size());
    queue_.push_back(std::move(piece));
}

void TrafficGenerator::QueueRandomFrame(double quietBeforeMs, int fewestData, int mostData) {
    const std::uint8_t address = RandomByte();
    Queue(quietBeforeMs, address, RandomBytes(RandomIn(fewestData, mostData)));
}

void TrafficGenerator::QueueEmptyFrame() {
    Piece piece;
    piece.bytes = kMarkerBytes;
    piece.framesSent = 1;
    queue_.push_back(std::move(piece));
}

void TrafficGenerator::QueueStray(double quietBeforeMs, Bytes bytes) {
    Piece piece;
    piece.quietBeforeMs = quietBeforeMs;
    piece.bytes = std::move(bytes);
    queue_.push_back(std::move(piece));
}

// One poll period of the board: the temperature sensor every period, the EEPROM written and read
// back every tenth, a probe of an absent address every thirtieth. The first period has all.
void TrafficGenerator::AddRealisticPeriod() {
    double quiet = round_ == 0 ? 0 : std::max(0.0, kPollPeriodMs - periodLineMs_);
    const std::size_t first = queue_.size();
    auto frame = [&](std::uint8_t address, const Bytes& data) {
        Queue(quiet, address, data);
        quiet = 0;
    };

    temperatureHalfDegrees_ = std::clamp(temperatureHalfDegrees_ + RandomIn(-1, 1), 40, 60);
    frame(kSensorWrite, {0x00});  // register pointer: temperature
    frame(kSensorRead, {static_cast<std::uint8_t>(temperatureHalfDegrees_ / 2),
                        static_cast<std::uint8_t>(temperatureHalfDegrees_ % 2 ? 0x80 : 0x00)});

    if (round_ % 10 == 0) {
        const auto memoryAddress = static_cast<std::uint16_t>((round_ / 10 * 16) & 0x7FFF);
        const Bytes pointer = {static_cast<std::uint8_t>(memoryAddress >> 8),
                               static_cast<std::uint8_t>(memoryAddress & 0xFF)};
        const Bytes data = RandomBytes(RandomIn(1, 16));
        frame(kEepromWrite, Join({pointer, data}));
        quiet = kEepromWriteCycleMs;
        frame(kEepromWrite, pointer);
        frame(kEepromRead, data);
    }
    if (round_ % 30 == 0) {
        // Nobody acknowledges the address: the device reports the address byte alone.
        frame(static_cast<std::uint8_t>(kAbsentAddresses[round_ / 30 % 3] << 1), {});
    }

    periodLineMs_ = 0;
    for (std::size_t at = first; at < queue_.size(); ++at) {
        if (at != first) periodLineMs_ += queue_[at].quietBeforeMs;
        periodLineMs_ += LineSeconds(queue_[at].bytes.size()) * 1000.0;
    }
}

void TrafficGenerator::AddSmallestFrames() {
    for (int i = 0; i < 64; ++i) Queue(0, RandomByte(), {});
}

void TrafficGenerator::AddBurst() {
    double quiet = round_ == 0 ? 0 : RandomIn(15, 50);
    const int frames = RandomIn(5, 50);
    for (int i = 0; i < frames; ++i) {
        QueueRandomFrame(quiet, 1, 8);
        quiet = 0;
    }
}

// Bytes before the first marker, sometimes ending in the first bytes of a marker.
void TrafficGenerator::AddStrayStart() {
    Bytes stray = RandomBytesWithoutMarker(RandomIn(1, 40));
    const int partialMarker = RandomIn(0, 2);
    stray.insert(stray.end(), kMarker.begin(), kMarker.begin() + partialMarker);
    QueueStray(0, std::move(stray));
    AddMixedFrames();
}

void TrafficGenerator::AddMixedFrames() {
    for (int i = 0; i < 32; ++i) QueueRandomFrame(0, 1, 32);
}

// "HDR" in every position that matters, between random bytes.
void TrafficGenerator::AddHdrInDataPatterns() {
    auto r = [this](int count) { return RandomBytes(count); };
    // The data are drawn before the address byte: the order of the draws is part of the seed's
    // traffic, so it must not be left to the order in which a compiler evaluates arguments.
    auto frame = [this](const Bytes& data) { Queue(0, RandomByte(), data); };
    const Bytes& hdr = kMarkerBytes;
    const Bytes restOfMarker(kMarker.begin() + 1, kMarker.end());
    frame(Join({r(2), hdr, r(3)}));                    // in the middle
    frame(Join({hdr, r(2)}));                          // right after the address byte
    frame(Join({r(2), hdr}));                          // at the end: nothing after it
    Queue(0, kMarker[0], Join({restOfMarker, r(2)}));  // from the address byte on
    frame(Join({r(1), hdr, r(1), hdr, r(1)}));         // twice
    frame(Join({r(1), hdr, hdr, r(1)}));               // twice in a row
    // Near misses that must not split, ending in the first two bytes of a marker.
    frame({0x48, 0x44, 0x53, 0x48, 0x52, 0x44, 0x52, 0x48, 0x48, 0x44});
}

void TrafficGenerator::AddBackToBackRun() {
    const int empties = RandomIn(1, 3);
    for (int i = 0; i < empties; ++i) QueueEmptyFrame();
    QueueRandomFrame(0, 0, 4);
}

// The frame scanner's worked example: the first read ends inside a marker, the second completes
// it, and the quiet end flushes the last frame.
void TrafficGenerator::AddWorkedExample() {
    Piece first;
    first.bytes = {0x78, 0x48, 0x44, 0x52, 0xA0, 0x01, 0x02, 0x48, 0x44};
    first.framesSent = 1;
    first.shown = {{0xA0, 0x01, 0x02}};
    Piece second;
    second.quietBeforeMs = kWorkedExamplePauseMs;
    second.bytes = {0x52, 0xA1, 0x05};
    second.framesSent = 1;
    second.shown = {{0xA1, 0x05}};
    queue_.push_back(std::move(first));
    queue_.push_back(std::move(second));
}

// After a quiet time (which ends the frame before), a long run of bytes without any marker,
// which no frame owns, then a few frames, some of them huge.
void TrafficGenerator::AddGarbageStretch(int longest) {
    const int longestFrame = std::min(longest, kLongGarbageLongestFrame);
    QueueStray(round_ == 0 ? 0 : kGarbageQuietMs,
               RandomBytesWithoutMarker(RandomIn(longest / 10, longest)));
    const int frames = RandomIn(1, 4);
    for (int i = 0; i < frames; ++i) {
        const bool huge = RandomIn(0, 1) == 1;
        const Bytes content = RandomBytesWithoutMarker(
            1 + (huge ? RandomIn(longestFrame / 20, longestFrame) : RandomIn(0, 8)));
        Queue(0, content[0], Bytes(content.begin() + 1, content.end()));
    }
}

Traffic GenerateTraffic(Scenario scenario, std::uint64_t seed, std::int64_t frameCount) {
    Traffic traffic;
    TrafficGenerator generator(scenario, seed);
    while (traffic.framesSent < frameCount) {
        std::optional<Piece> piece = generator.Next();
        if (!piece) break;
        traffic.framesSent += piece->framesSent;
        traffic.stream.insert(traffic.stream.end(), piece->bytes.begin(), piece->bytes.end());
        traffic.shown.insert(traffic.shown.end(), piece->shown.begin(), piece->shown.end());
        traffic.pieces.push_back(std::move(*piece));
    }
    return traffic;
}

}  // namespace veskar::simdevice
