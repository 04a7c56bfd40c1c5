// Scanner throughput and cost growth. Run from the optimised build:
//   cmake --preset bench && cmake --build --preset bench && build/bench/bench/scanner_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "capture/frame_scanner.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kTickBytes = 230;  // what one 10 ms tick brings at 230400 baud

// Board-like traffic: frames of an address byte and 1 to 32 data bytes.
Bytes RealisticTraffic(std::size_t size) {
    std::mt19937 rng(42);
    Bytes stream;
    while (stream.size() < size) {
        stream.insert(stream.end(), {0x48, 0x44, 0x52});
        stream.push_back(static_cast<std::uint8_t>(0xA0 | (rng() & 1)));
        const int data = 1 + static_cast<int>(rng() % 32);
        for (int i = 0; i < data; ++i) stream.push_back(static_cast<std::uint8_t>(rng()));
    }
    return stream;
}

Bytes WithoutMarker(std::size_t size) {
    Bytes stream(size);
    for (std::size_t i = 0; i < size; ++i) stream[i] = static_cast<std::uint8_t>(i % 0x47);
    return stream;
}

Bytes OnePendingFrame(std::size_t size) {
    Bytes stream = WithoutMarker(size);
    stream[0] = 0x48, stream[1] = 0x44, stream[2] = 0x52;
    return stream;
}

// Feeds the stream in ticks of `tickBytes`, the way the monitoring cycle does; returns frames.
std::size_t Feed(const Bytes& stream, std::size_t tickBytes = kTickBytes) {
    veskar::CaptureBuffer buffer;
    std::size_t frames = 0;
    const veskar::FrameHandler count = [&frames](const veskar::Frame&) { ++frames; };
    for (std::size_t at = 0; at < stream.size(); at += tickBytes) {
        const std::size_t end = std::min(at + tickBytes, stream.size());
        for (std::size_t i = at; i < end; ++i) buffer.Append(stream[i]);
        veskar::FrameScanner::ProcessTick(buffer, static_cast<std::int32_t>(end - at), count);
    }
    veskar::FrameScanner::ProcessTick(buffer, 0, count);
    return frames;
}

void BM_RealisticTraffic(benchmark::State& state) {
    const Bytes stream = RealisticTraffic(8 << 20);
    std::size_t frames = 0;
    for (auto _ : state) frames += Feed(stream);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RealisticTraffic)->Unit(benchmark::kMillisecond);

double SecondsToFeed(const Bytes& stream) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(Feed(stream));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void PrintGrowth(const char* what, Bytes (*make)(std::size_t)) {
    const double small = SecondsToFeed(make(5u << 20));
    const double large = SecondsToFeed(make(50u << 20));
    std::printf("%-40s  5 MB: %8.3f s   50 MB: %8.3f s   ratio %.1f (linear = 10)\n", what, small,
                large, large / small);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nLine maximum: 23040 bytes/s (230400 baud).\n");
    PrintGrowth("stream without any marker", WithoutMarker);
    PrintGrowth("one pending frame (delivered at 64 KiB)", OnePendingFrame);
    // The worst case for a scanner that re-examines its whole buffer: a frame just under the
    // bound arriving one byte per tick (a full re-scan would compare about 2^31 bytes).
    const Bytes nearBound = OnePendingFrame(veskar::FrameScanner::kMaxFrameBytes);
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(Feed(nearBound, 1));
    std::printf("64 KiB pending frame, 1-byte ticks: %.3f ms\n",
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
    return 0;
}
