#include "capture/frame_scanner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace veskar {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A tick: the bytes read (empty = a quiet tick).
struct Tick {
    Bytes read;
    std::vector<Bytes> expectedFrames;
    Bytes expectedBuffer;
};

Bytes BufferContents(const CaptureBuffer& buffer) {
    return Bytes(buffer.Data(), buffer.Data() + buffer.Size());
}

std::vector<Bytes> RunTick(CaptureBuffer& buffer, const Bytes& read) {
    std::vector<Bytes> frames;
    for (std::uint8_t byte : read) buffer.Append(byte);
    FrameScanner::ProcessTick(
        buffer, static_cast<std::int32_t>(read.size()),
        [&](const Frame& frame) { frames.emplace_back(frame.bytes, frame.bytes + frame.length); });
    return frames;
}

struct ScanCase {
    const char* name;
    std::vector<Tick> ticks;
};

const ScanCase kScanCases[] = {
    {"worked example",
     {{{0x78, 0x48, 0x44, 0x52, 0xA0, 0x01, 0x02, 0x48, 0x44},
       {},
       {0x48, 0x44, 0x52, 0xA0, 0x01, 0x02, 0x48, 0x44}},
      {{0x52, 0xA1, 0x05}, {{0xA0, 0x01, 0x02}}, {0x48, 0x44, 0x52, 0xA1, 0x05}},
      {{}, {{0xA1, 0x05}}, {}}}},
    {"marker split across ticks",
     {{{0x48, 0x44, 0x52, 0x10, 0x20, 0x48}, {}, {0x48, 0x44, 0x52, 0x10, 0x20, 0x48}},
      {{0x44}, {}, {0x48, 0x44, 0x52, 0x10, 0x20, 0x48, 0x44}},
      {{0x52, 0x11}, {{0x10, 0x20}}, {0x48, 0x44, 0x52, 0x11}}}},
    {"incomplete marker at a quiet tick belongs to the flushed frame",
     {{{0x48, 0x44, 0x52, 0xA0, 0x48, 0x44}, {}, {0x48, 0x44, 0x52, 0xA0, 0x48, 0x44}},
      {{}, {{0xA0, 0x48, 0x44}}, {}}}},
    {"back-to-back markers give an empty frame",
     {{{0x48, 0x44, 0x52, 0x48, 0x44, 0x52, 0xA1, 0x48, 0x44, 0x52},
       {{}, {0xA1}},
       {0x48, 0x44, 0x52}}}},
    {"a lone marker is discarded by a quiet tick",
     {{{0x48, 0x44, 0x52}, {}, {0x48, 0x44, 0x52}}, {{}, {}, {}}}},
    {"HDR inside data splits the frame",
     {{{0x48, 0x44, 0x52, 0xA0, 0x01, 0x48, 0x44, 0x52, 0x33, 0x02},
       {{0xA0, 0x01}},
       {0x48, 0x44, 0x52, 0x33, 0x02}},
      {{}, {{0x33, 0x02}}, {}}}},
    {"bytes before the first marker never form a frame; only two are kept",
     {{{0x01, 0x02, 0x03, 0x04, 0x05}, {}, {0x04, 0x05}},
      {{0x06, 0x48}, {}, {0x06, 0x48}},
      {{0x44, 0x52, 0xA0}, {}, {0x48, 0x44, 0x52, 0xA0}},
      {{}, {{0xA0}}, {}}}},
    {"stray bytes are dropped by a quiet tick", {{{0x11, 0x22}, {}, {0x11, 0x22}}, {{}, {}, {}}}},
    {"a quiet tick with an empty buffer does nothing", {{{}, {}, {}}, {{}, {}, {}}}},
    {"a pending frame grows across ticks until a marker closes it",
     {{{0x48, 0x44, 0x52, 0x90}, {}, {0x48, 0x44, 0x52, 0x90}},
      {{0x00, 0x01}, {}, {0x48, 0x44, 0x52, 0x90, 0x00, 0x01}},
      {{0x02, 0x48, 0x44, 0x52, 0x91}, {{0x90, 0x00, 0x01, 0x02}}, {0x48, 0x44, 0x52, 0x91}}}},
};

TEST(FrameScannerTest, CutsFramesAsTheTicksArrive) {
    for (const ScanCase& c : kScanCases) {
        CaptureBuffer buffer;
        for (std::size_t t = 0; t < c.ticks.size(); ++t) {
            const Tick& tick = c.ticks[t];
            EXPECT_EQ(RunTick(buffer, tick.read), tick.expectedFrames) << c.name << ", tick " << t;
            EXPECT_EQ(BufferContents(buffer), tick.expectedBuffer) << c.name << ", tick " << t;
        }
    }
}

TEST(FrameScannerTest, StorageDoublesFromOneByteAndIsNeverGivenBack) {
    CaptureBuffer buffer;
    std::vector<std::size_t> capacities;
    for (int i = 0; i < 9; ++i) {
        buffer.Append(0x48);
        capacities.push_back(buffer.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<std::size_t>{1, 2, 4, 4, 8, 8, 8, 8, 16}));
    FrameScanner::ProcessTick(buffer, 0, [](const Frame&) {});
    EXPECT_EQ(buffer.Size(), 0u);
    EXPECT_EQ(buffer.Capacity(), 16u);
}

// The scanning loop exactly as the device protocol defines it: every full scan re-examines the
// whole buffer from index 0, and a quiet tick flushes the pending frame and empties the buffer.
class ReferenceScanner {
  public:
    std::vector<Bytes> Tick(const Bytes& read) {
        std::vector<Bytes> frames;
        buffer_.insert(buffer_.end(), read.begin(), read.end());
        if (!read.empty()) {
            Scan(frames);
        } else {
            Flush(frames);
        }
        return frames;
    }
    const Bytes& Buffer() const { return buffer_; }

  private:
    bool MarkerAt(std::size_t i) const {
        return buffer_[i] == 0x48 && buffer_[i + 1] == 0x44 && buffer_[i + 2] == 0x52;
    }
    void Scan(std::vector<Bytes>& frames) {
        std::size_t i = 0, p = 0;
        bool open = false;
        while (i + 3 <= buffer_.size()) {
            if (!MarkerAt(i)) {
                ++i;
            } else if (!open) {
                i += 3;
                p = i;
                open = true;
            } else {
                frames.emplace_back(buffer_.begin() + p, buffer_.begin() + i);
                open = false;
            }
        }
        if (p > 0) buffer_.erase(buffer_.begin(), buffer_.begin() + (p - 3));
    }
    void Flush(std::vector<Bytes>& frames) {
        if (buffer_.size() > 3 && MarkerAt(0))
            frames.emplace_back(buffer_.begin() + 3, buffer_.end());
        buffer_.clear();
    }
    Bytes buffer_;
};

// Random streams rich in marker fragments, so that markers split across ticks, touch each other
// and overlap ("HDHDR", "HHDR") often.
Bytes RandomStream(std::mt19937& rng, std::size_t length) {
    static const std::uint8_t kAlphabet[] = {0x48, 0x44, 0x52, 0x48, 0x00, 0xA0, 0xFF, 0x01};
    Bytes stream;
    std::uniform_int_distribution<int> pick(0, 9);
    while (stream.size() < length) {
        const int choice = pick(rng);
        if (choice < 3) {
            stream.insert(stream.end(), {0x48, 0x44, 0x52});
        } else if (choice == 3) {
            stream.insert(stream.end(), {0x48, 0x44});
        } else {
            stream.push_back(kAlphabet[rng() % sizeof kAlphabet]);
        }
    }
    return stream;
}

// Our buffer keeps at most the two bytes that could start a marker while no frame is open; the
// reference keeps all. Everything else must be identical.
Bytes ExpectedBuffer(const Bytes& reference) {
    const bool framePending = reference.size() >= 3 && reference[0] == 0x48 &&
                              reference[1] == 0x44 && reference[2] == 0x52;
    if (framePending || reference.size() <= 2) return reference;
    return Bytes(reference.end() - 2, reference.end());
}

TEST(FrameScannerTest, DeliversWhatAFullRescanDeliversOnRandomStreams) {
    std::mt19937 rng(20261211);
    for (int round = 0; round < 400; ++round) {
        const Bytes stream = RandomStream(rng, 1 + rng() % 600);
        ReferenceScanner reference;
        CaptureBuffer buffer;
        std::size_t at = 0;
        int tick = 0;
        while (at < stream.size()) {
            Bytes read;
            if (rng() % 5 != 0) {  // one tick in five is quiet
                const std::size_t n = std::min<std::size_t>(1 + rng() % 40, stream.size() - at);
                read.assign(stream.begin() + at, stream.begin() + at + n);
                at += n;
            }
            ASSERT_EQ(RunTick(buffer, read), reference.Tick(read))
                << "round " << round << ", tick " << tick;
            ASSERT_EQ(BufferContents(buffer), ExpectedBuffer(reference.Buffer()))
                << "round " << round << ", tick " << tick;
            ++tick;
        }
        ASSERT_EQ(RunTick(buffer, {}), reference.Tick({})) << "round " << round << ", last";
    }
}

Bytes FrameBytes(std::uint8_t address, std::size_t dataBytes, std::uint8_t fill = 0x11) {
    Bytes frame = {0x48, 0x44, 0x52, address};
    frame.insert(frame.end(), dataBytes, fill);
    return frame;
}

TEST(FrameScannerTest, AnOverlongFrameIsDeliveredAtTheBoundAndScanningGoesOn) {
    const std::size_t bound = FrameScanner::kMaxFrameBytes;
    CaptureBuffer buffer;
    std::vector<Bytes> frames;
    auto feed = [&](const Bytes& bytes) {
        for (std::size_t at = 0; at < bytes.size(); at += 230) {
            const Bytes chunk(bytes.begin() + at, bytes.begin() + std::min(at + 230, bytes.size()));
            for (auto& f : RunTick(buffer, chunk)) frames.push_back(std::move(f));
            EXPECT_LE(buffer.Size(), bound + 3 + 230);
        }
    };
    // A frame of exactly the bound still ends normally at its marker.
    Bytes stream = FrameBytes(0xA0, bound - 1);
    // One far longer: its first `bound` bytes become a frame, the rest belongs to none.
    const Bytes overlong = FrameBytes(0xA1, 3 * bound);
    stream.insert(stream.end(), overlong.begin(), overlong.end());
    const Bytes after = FrameBytes(0xA2, 2);
    stream.insert(stream.end(), after.begin(), after.end());
    feed(stream);
    for (auto& f : RunTick(buffer, {})) frames.push_back(std::move(f));

    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].size(), bound);
    EXPECT_EQ(frames[0][0], 0xA0);
    EXPECT_EQ(frames[1].size(), bound);
    EXPECT_EQ(frames[1][0], 0xA1);
    EXPECT_EQ(frames[2], (Bytes{0xA2, 0x11, 0x11}));
}

TEST(FrameScannerTest, GarbageWithoutMarkersKeepsTheBufferTiny) {
    CaptureBuffer buffer;
    std::mt19937 rng(7);
    for (int tick = 0; tick < 2000; ++tick) {
        Bytes read(230);
        for (auto& byte : read) byte = static_cast<std::uint8_t>(rng() % 0x48);  // never 'H'
        EXPECT_TRUE(RunTick(buffer, read).empty());
        ASSERT_LE(buffer.Size(), 2u);
    }
    EXPECT_LE(buffer.Capacity(), 512u);
}

struct ThrowOnThirdFrame {
    int calls = 0;
    std::vector<Bytes> handled;
    void operator()(const Frame& frame) {
        if (++calls == 3) throw std::runtime_error("disk full");
        handled.emplace_back(frame.bytes, frame.bytes + frame.length);
    }
};

TEST(FrameScannerTest, AThrowingHandlerLeavesTheFailedFrameAndThoseAfterItPending) {
    Bytes stream;
    for (std::uint8_t address = 0xA0; address < 0xA6; ++address) {
        const Bytes f = FrameBytes(address, 1, address);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    const std::vector<Bytes> all = {{0xA0, 0xA0}, {0xA1, 0xA1}, {0xA2, 0xA2},
                                    {0xA3, 0xA3}, {0xA4, 0xA4}, {0xA5, 0xA5}};
    // The failure can hit the full scan or the idle flush; both resume where they failed.
    for (bool quietAfterFailure : {false, true}) {
        CaptureBuffer buffer;
        ThrowOnThirdFrame handler;
        FrameHandler call = std::ref(handler);
        for (std::uint8_t byte : stream) buffer.Append(byte);
        EXPECT_THROW(
            FrameScanner::ProcessTick(buffer, static_cast<std::int32_t>(stream.size()), call),
            std::runtime_error);
        EXPECT_EQ(handler.handled, (std::vector<Bytes>{all[0], all[1]}));

        if (!quietAfterFailure) {
            for (std::uint8_t byte : kFrameMarker) buffer.Append(byte);
            FrameScanner::ProcessTick(buffer, kFrameMarkerSize, call);
        }
        FrameScanner::ProcessTick(buffer, 0, call);
        EXPECT_EQ(handler.handled, all) << "quiet after failure: " << quietAfterFailure;
        EXPECT_EQ(buffer.Size(), 0u);
    }
}

}  // namespace
}  // namespace veskar
