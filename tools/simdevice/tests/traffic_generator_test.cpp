#include "tools/simdevice/traffic_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "tools/simdevice/line_schedule.h"
#include "tools/simdevice/tests/scanner_cut.h"

namespace veskar::simdevice {
namespace {

using testing::ScannerCut;

bool StartsWithMarker(const Bytes& bytes) {
    return bytes.size() >= 3 && std::equal(kMarker.begin(), kMarker.end(), bytes.begin());
}

bool ContainsMarker(const Bytes& bytes) {
    return std::search(bytes.begin(), bytes.end(), kMarker.begin(), kMarker.end()) != bytes.end();
}

Bytes ContentOf(const Piece& piece) {
    return Bytes(piece.bytes.begin() + 3, piece.bytes.end());
}

// Feeds the traffic to the scanner as a receiver polling every 10 ms would get it: reads of
// random sizes (so that markers are split across reads), a quiet tick wherever the line is quiet
// for a tick or longer, and a quiet tick at the end.
std::vector<Bytes> ShownByScanner(const Traffic& traffic, unsigned readSeed, int largestRead) {
    std::mt19937 random(readSeed);
    std::uniform_int_distribution<int> readSize(1, largestRead);
    ScannerCut cut;
    Bytes read;
    std::size_t wanted = static_cast<std::size_t>(readSize(random));
    for (const Piece& piece : traffic.pieces) {
        if (piece.quietBeforeMs >= kReceiverTickMs) {
            if (!read.empty()) cut.Tick(read);
            read.clear();
            cut.QuietTick();
        }
        for (std::uint8_t byte : piece.bytes) {
            read.push_back(byte);
            if (read.size() == wanted) {
                cut.Tick(read);
                read.clear();
                wanted = static_cast<std::size_t>(readSize(random));
            }
        }
    }
    if (!read.empty()) cut.Tick(read);
    cut.QuietTick();
    return cut.Shown();
}

struct ScannerCase {
    Scenario scenario;
    std::uint64_t seed;
    int largestRead;  // 1: every byte its own tick
};

void PrintTo(const ScannerCase& c, std::ostream* out) {
    *out << NameOf(c.scenario) << " seed " << c.seed << " reads of 1 to " << c.largestRead;
}

class ScenarioScannerTest : public ::testing::TestWithParam<ScannerCase> {};

// The heart of the tool's promise: what it says a receiver shows is what Veskar's own scanner
// cuts out of the stream, however the reads fall.
TEST_P(ScenarioScannerTest, ShownFramesAreWhatTheScannerCuts) {
    const ScannerCase& c = GetParam();
    // Long garbage is some 60 KB a frame: fewer frames keep the byte-by-byte reads quick.
    const int frames = c.scenario == Scenario::LongGarbage ? 12 : 300;
    const Traffic traffic = GenerateTraffic(c.scenario, c.seed, frames);
    ASSERT_FALSE(traffic.shown.empty());
    for (unsigned readSeed : {1u, 2u}) {
        EXPECT_EQ(ShownByScanner(traffic, readSeed, c.largestRead), traffic.shown)
            << NameOf(c.scenario) << " seed " << c.seed << " read seed " << readSeed;
    }
}

std::vector<ScannerCase> AllScannerCases() {
    std::vector<ScannerCase> cases;
    for (Scenario scenario : kAllScenarios) {
        cases.push_back({scenario, 1, 1});
        cases.push_back({scenario, 1, 400});
        cases.push_back({scenario, 20261211, 37});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(AllScenarios, ScenarioScannerTest, ::testing::ValuesIn(AllScannerCases()),
                         [](const auto& info) {
                             std::string name(NameOf(info.param.scenario));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name + "_seed" + std::to_string(info.param.seed) + "_read" +
                                    std::to_string(info.param.largestRead);
                         });

TEST(TrafficGeneratorTest, SameSeedGivesTheSameTrafficAndOtherSeedsOther) {
    for (Scenario scenario : kAllScenarios) {
        const Traffic first = GenerateTraffic(scenario, 42, 200);
        EXPECT_EQ(GenerateTraffic(scenario, 42, 200).stream, first.stream) << NameOf(scenario);
        if (scenario != Scenario::WorkedExample) {
            EXPECT_NE(GenerateTraffic(scenario, 43, 200).stream, first.stream) << NameOf(scenario);
        }
    }
}

TEST(TrafficGeneratorTest, CountIsTheNumberOfMarkersSent) {
    for (Scenario scenario : kAllScenarios) {
        if (scenario == Scenario::WorkedExample) continue;
        const Traffic traffic = GenerateTraffic(scenario, 5, 123);
        EXPECT_EQ(traffic.framesSent, 123) << NameOf(scenario);
        // The run ends with the frame that reached the count, not with stray bytes.
        EXPECT_EQ(traffic.pieces.back().framesSent, 1) << NameOf(scenario);
    }
}

// The frame scanner's worked example, byte for byte, whatever count is asked for.
TEST(TrafficGeneratorTest, WorkedExampleIsExactlyTheScannersExample) {
    const Traffic traffic = GenerateTraffic(Scenario::WorkedExample, 9, 1000);
    ASSERT_EQ(traffic.pieces.size(), 2u);
    EXPECT_EQ(traffic.pieces[0].bytes,
              (Bytes{0x78, 0x48, 0x44, 0x52, 0xA0, 0x01, 0x02, 0x48, 0x44}));
    EXPECT_EQ(traffic.pieces[1].bytes, (Bytes{0x52, 0xA1, 0x05}));
    // A pause, but shorter than a tick: the second read is not a quiet tick.
    EXPECT_GT(traffic.pieces[1].quietBeforeMs, 0);
    EXPECT_LT(traffic.pieces[1].quietBeforeMs, kReceiverTickMs);
    EXPECT_EQ(traffic.shown, (std::vector<Bytes>{{0xA0, 0x01, 0x02}, {0xA1, 0x05}}));
    EXPECT_EQ(traffic.framesSent, 2);
}

TEST(TrafficGeneratorTest, SmallestFramesAreMarkerAndAddressOnly) {
    const Traffic traffic = GenerateTraffic(Scenario::Smallest, 1, 500);
    EXPECT_EQ(traffic.stream.size(), 500u * 4);
    for (const Piece& piece : traffic.pieces) {
        EXPECT_TRUE(StartsWithMarker(piece.bytes));
        EXPECT_EQ(piece.quietBeforeMs, 0);
    }
    EXPECT_EQ(traffic.shown.size(), 500u);
}

TEST(TrafficGeneratorTest, MixedFramesCarryOneTo32DataBytes) {
    const Traffic traffic = GenerateTraffic(Scenario::Mixed, 3, 2000);
    std::size_t shortest = 1000, longest = 0;
    for (const Piece& piece : traffic.pieces) {
        shortest = std::min(shortest, piece.bytes.size() - 4);
        longest = std::max(longest, piece.bytes.size() - 4);
    }
    EXPECT_EQ(shortest, 1u);
    EXPECT_EQ(longest, 32u);
}

// Each burst ends with a quiet time that a receiver ticking every 10 ms sees as a quiet tick.
TEST(TrafficGeneratorTest, BurstsAreSeparatedByQuietTimesLongerThanATick) {
    const Traffic traffic = GenerateTraffic(Scenario::Bursts, 8, 1000);
    int gaps = 0;
    for (std::size_t at = 1; at < traffic.pieces.size(); ++at) {
        const double quiet = traffic.pieces[at].quietBeforeMs;
        if (quiet == 0) continue;
        ++gaps;
        EXPECT_GT(quiet, kReceiverTickMs);
    }
    EXPECT_GE(gaps, 1000 / 50);
    EXPECT_LE(gaps, 1000 / 5);
}

TEST(TrafficGeneratorTest, StrayBytesComeBeforeTheFirstMarkerAndShowNowhere) {
    for (std::uint64_t seed : {1, 2, 3, 4, 5, 6}) {
        const Traffic traffic = GenerateTraffic(Scenario::Stray, seed, 50);
        const Piece& stray = traffic.pieces.front();
        EXPECT_EQ(stray.framesSent, 0);
        EXPECT_FALSE(stray.bytes.empty());
        EXPECT_FALSE(ContainsMarker(stray.bytes));
        EXPECT_TRUE(stray.shown.empty());
        ASSERT_GE(traffic.shown.size(), 1u);
        EXPECT_EQ(traffic.shown.front(), ContentOf(traffic.pieces[1]));
    }
}

TEST(TrafficGeneratorTest, HdrInDataShowsMoreFramesThanSent) {
    const Traffic traffic = GenerateTraffic(Scenario::HdrInData, 1, 70);
    int withMarkerInside = 0;
    for (const Piece& piece : traffic.pieces) withMarkerInside += ContainsMarker(ContentOf(piece));
    EXPECT_GE(withMarkerInside, 40);
    EXPECT_GT(traffic.shown.size(), 70u);
}

TEST(TrafficGeneratorTest, BackToBackMarkersGiveEmptyFramesThatShowNothing) {
    const Traffic traffic = GenerateTraffic(Scenario::BackToBack, 1, 200);
    const Bytes twoMarkers = {0x48, 0x44, 0x52, 0x48, 0x44, 0x52};
    EXPECT_NE(std::search(traffic.stream.begin(), traffic.stream.end(), twoMarkers.begin(),
                          twoMarkers.end()),
              traffic.stream.end());
    EXPECT_EQ(traffic.pieces.front().bytes, Bytes(kMarker.begin(), kMarker.end()));
    EXPECT_LT(traffic.shown.size(), 150u);
}

// The board: temperature polled every 100 ms of line time, the EEPROM written and read back,
// an absent address probed.
TEST(TrafficGeneratorTest, RealisticTrafficIsTheBoardsTransactions) {
    const Traffic traffic = GenerateTraffic(Scenario::Realistic, 1, 400);
    const auto& shown = traffic.shown;
    const auto count = [&](auto predicate) {
        return std::count_if(shown.begin(), shown.end(), predicate);
    };
    EXPECT_GT(count([](const Bytes& f) { return f == Bytes{0x90, 0x00}; }), 100);
    EXPECT_GT(count([](const Bytes& f) { return f.size() == 3 && f[0] == 0x91; }), 100);
    EXPECT_GE(count([](const Bytes& f) { return f.size() == 1; }), 5);

    // Every EEPROM write is followed by setting the same address and reading the same data.
    int readBacks = 0;
    for (std::size_t at = 0; at + 2 < shown.size(); ++at) {
        const Bytes& write = shown[at];
        if (write.size() < 4 || write[0] != 0xA0) continue;
        EXPECT_EQ(shown[at + 1], Bytes(write.begin(), write.begin() + 3));
        Bytes read = {0xA1};
        read.insert(read.end(), write.begin() + 3, write.end());
        EXPECT_EQ(shown[at + 2], read);
        ++readBacks;
    }
    EXPECT_GE(readBacks, 5);

    // The polls start every 100 ms on the line.
    LineSchedule schedule(Rate::Line);
    std::vector<double> pollStarts;
    for (const Piece& piece : traffic.pieces) {
        if (piece.quietBeforeMs > 0) schedule.AddQuiet(piece.quietBeforeMs, 0);
        if (piece.bytes == Bytes{0x48, 0x44, 0x52, 0x90, 0x00})
            pollStarts.push_back(schedule.NextDue());
        schedule.AddBytes(piece.bytes.size());
    }
    ASSERT_GT(pollStarts.size(), 100u);
    for (std::size_t at = 1; at < pollStarts.size(); ++at) {
        EXPECT_NEAR(pollStarts[at] - pollStarts[at - 1], 0.1, 1e-9) << "poll " << at;
    }
}

struct GarbageCase {
    Scenario scenario;
    std::size_t shortestStretch;
    std::size_t largestFrameAtLeast;
};

TEST(TrafficGeneratorTest, GarbageIsLongStretchesWithoutMarkersAfterQuietTimes) {
    for (const GarbageCase& c : {GarbageCase{Scenario::Garbage, 2000, 1000},
                                 GarbageCase{Scenario::LongGarbage, 20000, 30000}}) {
        SCOPED_TRACE(std::string(NameOf(c.scenario)));
        const Traffic traffic = GenerateTraffic(c.scenario, 1, 60);
        int stretches = 0;
        std::size_t largestFrame = 0;
        for (std::size_t at = 0; at < traffic.pieces.size(); ++at) {
            const Piece& piece = traffic.pieces[at];
            if (piece.framesSent == 0) {
                ++stretches;
                EXPECT_GE(piece.bytes.size(), c.shortestStretch);
                EXPECT_FALSE(ContainsMarker(piece.bytes));
                // Only a quiet tick keeps the stretch out of the frame before it.
                if (at > 0) {
                    EXPECT_GE(piece.quietBeforeMs, 10 * kReceiverTickMs);
                }
            } else {
                largestFrame = std::max(largestFrame, piece.bytes.size() - 3);
            }
        }
        EXPECT_GE(stretches, 60 / 4);
        EXPECT_GE(largestFrame, c.largestFrameAtLeast);
        // Below 64 KiB, so that a receiver that bounds what it holds of a frame shows it whole.
        EXPECT_LT(largestFrame, 65536u);
    }
}

}  // namespace
}  // namespace veskar::simdevice
