// Coverage-guided fuzz target over the capture core: CaptureBuffer, FrameScanner and
// FormatFrameRow, driven tick by tick the way the monitoring cycle drives them.
//
// Input layout:
//   byte 0        handler faults: 0 = the handler never throws; n > 0 = every (n % 32 + 2)th
//                 call of the handler throws after the frame has been checked
//   then ticks, each opened by a control byte c:
//     c == 0      a quiet tick (nothing read: the idle flush)
//     c < 0xF0    a tick that read the next c bytes of the input
//     c >= 0xF0   a bulk tick of ((c & 0x0F) + 1) * 624 bytes (at most 9984, below the read
//                 size): the next byte gives a pattern length (1 to 8), the pattern follows and
//                 is repeated to fill the tick; bulk ticks reach frames beyond kMaxFrameBytes
//   a final quiet tick always follows, so every input ends with an idle flush.
//
// Every frame is checked against a model of the whole stream: it must be the frame that opens at
// the first marker after everything delivered so far, start exactly there in the stream, and end
// at the next marker, at kMaxFrameBytes, or at the end of the buffer (idle flush only). After
// every tick the buffer must be the tail of the stream, within its bound, and hold no frame that
// it should have delivered. Without handler faults, the frames are also compared with a plain
// full-rescan implementation of the scanning loop.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "capture/capture_buffer.h"
#include "capture/frame_row.h"
#include "capture/frame_scanner.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using veskar::CaptureBuffer;
using veskar::Frame;
using veskar::FrameScanner;

constexpr std::size_t kMarker = 3;
constexpr std::size_t kMaxFrame = static_cast<std::size_t>(FrameScanner::kMaxFrameBytes);
// While a frame is open the buffer holds its marker, at most kMaxFrame bytes and the two bytes
// that could still start the marker closing it at exactly kMaxFrame.
constexpr std::size_t kMaxBufferAfterScan = kMarker + kMaxFrame + 2;
constexpr std::size_t kMaxStrayBytes = 2;
// Keeps the plain rescan affordable; enough for several over-long frames.
constexpr std::size_t kMaxStreamBytes = std::size_t{384} * 1024;

[[noreturn]] void Fail(const char* what, std::size_t a = 0, std::size_t b = 0) {
    std::fprintf(stderr, "invariant broken: %s (%zu, %zu)\n", what, a, b);
    std::abort();
}

void Check(bool ok, const char* what, std::size_t a = 0, std::size_t b = 0) {
    if (!ok) Fail(what, a, b);
}

bool IsMarker(const std::uint8_t* at) {
    return at[0] == 0x48 && at[1] == 0x44 && at[2] == 0x52;
}

// The stream as appended, the markers in it, and how far frames have been delivered.
class StreamModel {
  public:
    enum class Kind { kNoFrame, kPending, kClosed, kOverlong };
    struct Expected {
        Kind kind = Kind::kNoFrame;
        std::size_t start = 0;   // stream position of the frame's first byte
        std::size_t length = 0;  // what the scanner must deliver
    };

    void Append(std::uint8_t byte) {
        stream_.push_back(byte);
        const std::size_t end = stream_.size();
        if (end - segmentStart_ >= kMarker && IsMarker(&stream_[end - kMarker]))
            markerStarts_.push_back(end - kMarker);
    }

    // The next frame the scanner may deliver, given everything appended so far.
    Expected Next() {
        while (nextMarker_ < markerStarts_.size() && markerStarts_[nextMarker_] < cursor_)
            ++nextMarker_;
        if (nextMarker_ == markerStarts_.size()) return {};
        const std::size_t start = markerStarts_[nextMarker_] + kMarker;
        if (nextMarker_ + 1 < markerStarts_.size()) {
            const std::size_t closing = markerStarts_[nextMarker_ + 1];
            if (closing - start <= kMaxFrame) return {Kind::kClosed, start, closing - start};
        }
        // No marker can close it within kMaxFrame once three more bytes lie beyond that length.
        const std::size_t end = stream_.size();
        if (end >= start + kMaxFrame + kMarker) return {Kind::kOverlong, start, kMaxFrame};
        return {Kind::kPending, start, std::min(end - start, kMaxFrame)};
    }

    void Consumed(const Expected& frame) {
        Check(frame.start >= cursor_, "a byte delivered twice", frame.start, cursor_);
        cursor_ = frame.start + frame.length;
    }

    // A completed idle flush empties the buffer: nothing before it can join a later marker.
    void Flushed() {
        segmentStart_ = stream_.size();
        cursor_ = stream_.size();
    }

    const Bytes& Stream() const { return stream_; }

  private:
    Bytes stream_;
    std::vector<std::size_t> markerStarts_;
    std::size_t nextMarker_ = 0;
    std::size_t segmentStart_ = 0;
    std::size_t cursor_ = 0;
};

// The scanning loop in its plain form: every full scan re-examines the whole buffer from index 0
// and keeps everything from the last marker on; a quiet tick flushes the pending frame.
class PlainScanner {
  public:
    std::vector<Bytes> Tick(const Bytes& read) {
        std::vector<Bytes> frames;
        buffer_.insert(buffer_.end(), read.begin(), read.end());
        if (!read.empty()) {
            Scan(frames);
        } else {
            if (buffer_.size() > kMarker && IsMarker(buffer_.data()))
                frames.emplace_back(buffer_.begin() + kMarker, buffer_.end());
            buffer_.clear();
        }
        return frames;
    }
    const Bytes& Buffer() const { return buffer_; }

  private:
    void Scan(std::vector<Bytes>& frames) {
        std::size_t i = 0, p = 0;
        bool open = false;
        while (i + kMarker <= buffer_.size()) {
            if (!IsMarker(&buffer_[i])) {
                ++i;
            } else if (!open) {
                i += kMarker;
                p = i;
                open = true;
            } else {
                frames.emplace_back(buffer_.begin() + p, buffer_.begin() + i);
                open = false;
            }
        }
        if (p > 0) buffer_.erase(buffer_.begin(), buffer_.begin() + (p - kMarker));
    }
    Bytes buffer_;
};

struct InjectedFault {};

std::time_t PinnedClock() {
    return 86400 + 3600;
}

void CheckRow(const Frame& frame, std::int64_t number) {
    const veskar::FrameRow row = veskar::FormatFrameRow(frame, number);
    const std::size_t length = static_cast<std::size_t>(frame.length);
    Check(row.seq == std::to_string(number), "Seq text");
    Check(row.len == std::to_string(frame.length), "Len text");
    Check(row.time.size() == 8, "Time text", row.time.size());
    Check(row.data.size() == 7 + 3 * (length - 1), "Data length", row.data.size(), length);
    char address[8];
    std::snprintf(address, sizeof address, "S<%02X:%c>", frame.bytes[0] >> 1,
                  (frame.bytes[0] & 1) != 0 ? 'r' : 'w');
    Check(row.data.compare(0, 7, address) == 0, "Data address part");
    for (std::size_t i = 1; i < length; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", frame.bytes[i]);
        Check(row.data.compare(7 + 3 * (i - 1), 3, hex) == 0, "Data byte", i);
    }
}

class Harness {
  public:
    explicit Harness(std::uint8_t faults) : faultPeriod_(faults == 0 ? 0 : faults % 32 + 2) {}

    // Returns false when an injected handler fault ended the tick.
    bool RunTick(const Bytes& read) {
        for (std::uint8_t byte : read) {
            buffer_.Append(byte);
            model_.Append(byte);
        }
        // After a good tick the buffer was within its bound; this tick adds only its own bytes.
        if (!lastFaulted_)
            Check(buffer_.Size() <= kMaxBufferAfterScan + read.size(), "buffer above its bound",
                  buffer_.Size());
        quiet_ = read.empty();
        tickFrames_.clear();
        bool faulted = false;
        try {
            FrameScanner::ProcessTick(buffer_, static_cast<std::int32_t>(read.size()),
                                      [this](const Frame& frame) { OnFrame(frame); });
        } catch (const InjectedFault&) {
            faulted = true;
        }
        CheckBufferIsStreamTail();
        if (!faulted) CheckAfterTick();
        if (faultPeriod_ == 0) CompareWithPlainScanner(read);
        lastFaulted_ = faulted;
        return !faulted;
    }

    void Finish() const {
        if (faultPeriod_ != 0) return;
        std::size_t i = 0;
        for (const Bytes& plain : plainFrames_) {
            Check(i < frames_.size(), "a frame lost", i);
            const std::size_t kept = std::min(plain.size(), kMaxFrame);
            Check(frames_[i].size() == kept &&
                      std::equal(plain.begin(), plain.begin() + kept, frames_[i].begin()),
                  "frame differs from the plain scan", i);
            ++i;
        }
        Check(i == frames_.size(), "a frame the plain scan does not deliver", i);
    }

  private:
    void OnFrame(const Frame& frame) {
        const StreamModel::Expected expected = model_.Next();
        using Kind = StreamModel::Kind;
        const bool allowed = expected.kind == Kind::kClosed || expected.kind == Kind::kOverlong ||
                             (quiet_ && expected.kind == Kind::kPending && expected.length > 0);
        Check(allowed, "a frame delivered that is not complete",
              static_cast<std::size_t>(expected.kind));
        Check(frame.length >= 0 && static_cast<std::size_t>(frame.length) == expected.length,
              "frame length", static_cast<std::size_t>(frame.length), expected.length);
        Check(frame.length <= FrameScanner::kMaxFrameBytes, "frame longer than the bound");
        const std::uint8_t* data = buffer_.Data();
        Check(frame.bytes >= data && frame.bytes + frame.length <= data + buffer_.Size(),
              "frame outside the buffer");
        const std::size_t position =
            model_.Stream().size() - buffer_.Size() + static_cast<std::size_t>(frame.bytes - data);
        Check(position == expected.start, "frame at the wrong stream position", position,
              expected.start);
        Check(
            std::memcmp(frame.bytes, model_.Stream().data() + expected.start, expected.length) == 0,
            "frame bytes differ from the stream");

        ++handlerCalls_;
        if (faultPeriod_ != 0 && handlerCalls_ % faultPeriod_ == 0) throw InjectedFault{};

        model_.Consumed(expected);
        if (expected.kind == Kind::kOverlong || expected.length == kMaxFrame) overlongSeen_ = true;
        if (frame.length > 0) CheckRow(frame, static_cast<std::int64_t>(frames_.size()) + 1);
        Bytes bytes(frame.bytes, frame.bytes + frame.length);
        if (faultPeriod_ == 0) tickFrames_.push_back(bytes);
        frames_.push_back(std::move(bytes));
    }

    void CheckBufferIsStreamTail() const {
        const Bytes& stream = model_.Stream();
        Check(buffer_.Size() <= stream.size(), "buffer larger than the stream");
        Check(buffer_.Size() == 0 ||
                  std::memcmp(buffer_.Data(), stream.data() + stream.size() - buffer_.Size(),
                              buffer_.Size()) == 0,
              "buffer is not the tail of the stream");
    }

    void CheckAfterTick() {
        const StreamModel::Expected left = model_.Next();
        using Kind = StreamModel::Kind;
        if (quiet_) {
            Check(buffer_.Size() == 0, "buffer not empty after the idle flush", buffer_.Size());
            Check(left.kind == Kind::kNoFrame || (left.kind == Kind::kPending && left.length == 0),
                  "a frame lost by the idle flush");
            model_.Flushed();
            return;
        }
        Check(left.kind == Kind::kNoFrame || left.kind == Kind::kPending,
              "a closed frame left in the buffer");
        if (left.kind == Kind::kNoFrame) {
            Check(buffer_.Size() <= kMaxStrayBytes, "stray bytes kept", buffer_.Size());
        } else {
            Check(buffer_.Size() == model_.Stream().size() - (left.start - kMarker),
                  "buffer does not begin at the pending frame's marker", buffer_.Size());
            Check(buffer_.Size() <= kMaxBufferAfterScan, "buffer above its bound", buffer_.Size());
        }
    }

    void CompareWithPlainScanner(const Bytes& read) {
        std::vector<Bytes> plain = plain_.Tick(read);
        for (const Bytes& frame : plain)
            if (frame.size() > kMaxFrame) overlongSeen_ = true;
        // Over-long frames are cut and delivered earlier than the plain scan does; from the first
        // one on only the sequence of frames is compared (in Finish).
        if (!overlongSeen_) {
            Check(plain == tickFrames_, "tick's frames differ from the plain scan", plain.size(),
                  tickFrames_.size());
            const Bytes& all = plain_.Buffer();
            const bool pending = all.size() >= kMarker && IsMarker(all.data());
            const std::size_t expectedSize =
                pending ? all.size() : std::min(all.size(), kMaxStrayBytes);
            Check(buffer_.Size() == expectedSize, "buffer size differs from the plain scan",
                  buffer_.Size(), expectedSize);
        }
        for (Bytes& frame : plain) plainFrames_.push_back(std::move(frame));
    }

    CaptureBuffer buffer_;
    StreamModel model_;
    PlainScanner plain_;
    std::vector<Bytes> frames_;
    std::vector<Bytes> plainFrames_;
    std::vector<Bytes> tickFrames_;
    std::size_t faultPeriod_;
    std::size_t handlerCalls_ = 0;
    bool quiet_ = false;
    bool lastFaulted_ = false;
    bool overlongSeen_ = false;
};

// Reads the next tick from the input; false at its end.
bool NextTick(const std::uint8_t*& in, const std::uint8_t* end, Bytes& read) {
    if (in == end) return false;
    const std::uint8_t control = *in++;
    read.clear();
    if (control < 0xF0) {
        const std::size_t n = std::min<std::size_t>(control, static_cast<std::size_t>(end - in));
        read.assign(in, in + n);
        in += n;
        return true;
    }
    const std::size_t length = (static_cast<std::size_t>(control & 0x0F) + 1) * 624;
    std::size_t patternLength = 1;
    if (in != end) patternLength = static_cast<std::size_t>(*in++ & 7) + 1;
    Bytes pattern(in, in + std::min(patternLength, static_cast<std::size_t>(end - in)));
    in += pattern.size();
    if (pattern.empty()) pattern.push_back(0x48);
    for (std::size_t i = 0; i < length; ++i) read.push_back(pattern[i % pattern.size()]);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    veskar::SetWallClock(&PinnedClock);
    Harness harness(data[0]);
    const std::uint8_t* in = data + 1;
    const std::uint8_t* end = data + size;
    Bytes read;
    std::size_t streamed = 0;
    while (streamed < kMaxStreamBytes && NextTick(in, end, read)) {
        streamed += read.size();
        harness.RunTick(read);
    }
    // A fault leaves the failed frame pending; later quiet ticks must still deliver all of it.
    // With at least one good handler call between two faults, every second attempt delivers a
    // frame, so the attempts are bounded by the bytes streamed.
    for (std::size_t attempt = 0; !harness.RunTick({}); ++attempt)
        Check(attempt <= 2 * streamed + 2, "no progress after handler faults", attempt);
    harness.Finish();
    return 0;
}
