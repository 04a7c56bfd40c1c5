// The capture path without the window: read from the port layer, append, scan and form the row
// texts, per frame, on the smallest frames (marker + address byte), the line's worst case.
//   cmake --preset bench && cmake --build --preset bench && build/bench/bench/capture_path_bench
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "capture/capture_buffer.h"
#include "capture/frame_row.h"
#include "capture/frame_scanner.h"
#include "capture/serial_link.h"

namespace {

constexpr double kLineMaxFramesPerSecond = 5760.0;  // 23040 bytes/s in 4-byte frames

// A port whose driver queue holds a prepared stream; each ClearCommError reports what one tick
// at the line rate would find waiting (230 bytes), so reads stay realistic in size.
class StreamPort final : public veskar::CommPort {
  public:
    explicit StreamPort(std::vector<std::uint8_t> stream) : stream_(std::move(stream)) {}
    bool Exhausted() const { return at_ >= stream_.size(); }

    veskar::PortHandle CreateFileA(const char*) override { return 1; }
    bool SetupComm(veskar::PortHandle, std::uint32_t, std::uint32_t) override { return true; }
    bool GetCommState(veskar::PortHandle, veskar::CommState&) override { return true; }
    bool SetCommState(veskar::PortHandle, const veskar::CommState&) override { return true; }
    bool SetCommTimeouts(veskar::PortHandle, const veskar::CommTimeouts&) override { return true; }
    bool ClearCommError(veskar::PortHandle, std::uint32_t& waiting) override {
        waiting = static_cast<std::uint32_t>(std::min<std::size_t>(230, stream_.size() - at_));
        return true;
    }
    bool ReadFile(veskar::PortHandle, std::uint8_t* buffer, std::uint32_t count,
                  std::uint32_t& read) override {
        std::memcpy(buffer, stream_.data() + at_, count);
        at_ += count;
        read = count;
        return true;
    }
    bool PurgeComm(veskar::PortHandle, std::uint32_t) override { return true; }
    bool SetCommMask(veskar::PortHandle, std::uint32_t) override { return true; }
    bool CloseHandle(veskar::PortHandle) override { return true; }

  private:
    std::vector<std::uint8_t> stream_;
    std::size_t at_ = 0;
};

std::vector<std::uint8_t> SmallestFrames(std::size_t frames) {
    std::vector<std::uint8_t> stream;
    stream.reserve(frames * 4);
    for (std::size_t i = 0; i < frames; ++i) {
        stream.insert(stream.end(), {0x48, 0x44, 0x52, static_cast<std::uint8_t>(i & 0xFF)});
    }
    return stream;
}

}  // namespace

int main() {
    constexpr std::size_t kFrames = 5'000'000;
    StreamPort port(SmallestFrames(kFrames));
    veskar::SerialLink link(port);
    link.Open(1, 230400);
    veskar::CaptureBuffer buffer;
    static std::uint8_t readChunk[10000];
    std::size_t frames = 0, textBytes = 0;
    const veskar::FrameHandler formRow = [&](const veskar::Frame& frame) {
        const veskar::FrameRow row =
            veskar::FormatFrameRow(frame, static_cast<std::int64_t>(++frames));
        textBytes += row.seq.size() + row.time.size() + row.len.size() + row.data.size();
    };

    const auto start = std::chrono::steady_clock::now();
    while (!port.Exhausted()) {
        const int count = link.Read(readChunk, sizeof readChunk);
        for (int i = 0; i < count; ++i) buffer.Append(readChunk[i]);
        veskar::FrameScanner::ProcessTick(buffer, count, formRow);
    }
    veskar::FrameScanner::ProcessTick(buffer, 0, formRow);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const double rate = static_cast<double>(frames) / seconds;
    std::printf("capture path (read, append, scan, row texts), smallest frames:\n");
    std::printf("  %zu frames in %.3f s = %.0f frames/s = %.0f x the line maximum (5760/s)\n",
                frames, seconds, rate, rate / kLineMaxFramesPerSecond);
    std::printf("  %.0f ns per frame; %zu bytes of row text formed\n", 1e9 * seconds / frames,
                textBytes);
    return frames == kFrames ? 0 : 1;
}
