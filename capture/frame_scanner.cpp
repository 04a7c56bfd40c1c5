#include "capture/frame_scanner.h"

#include <algorithm>
#include <cstring>

namespace veskar {
namespace {

constexpr std::size_t kMarkerSize = static_cast<std::size_t>(kFrameMarkerSize);
constexpr std::size_t kMaxFrame = static_cast<std::size_t>(FrameScanner::kMaxFrameBytes);

// First position in [from, to) where a marker starts, or `to`. Needs to + 2 <= buffer size.
std::size_t FindMarker(const std::uint8_t* data, std::size_t from, std::size_t to) {
    while (from < to) {
        const void* hit = std::memchr(data + from, kFrameMarker[0], to - from);
        if (hit == nullptr) return to;
        const std::size_t at =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
        if (data[at + 1] == kFrameMarker[1] && data[at + 2] == kFrameMarker[2]) return at;
        from = at + 1;
    }
    return to;
}

void Deliver(const FrameHandler& handler, const std::uint8_t* start, std::size_t length) {
    handler(Frame{start, static_cast<std::int32_t>(length)});
}

}  // namespace

void FrameScanner::ProcessTick(CaptureBuffer& buffer, std::int32_t bytesRead,
                               const FrameHandler& handler) {
    if (bytesRead > 0) {
        ScanClosedFrames(buffer, handler);
    } else {
        FlushPendingFrame(buffer, handler);
    }
}

void FrameScanner::ScanClosedFrames(CaptureBuffer& buffer, const FrameHandler& handler) {
    const std::uint8_t* data = buffer.Data();
    const std::size_t size = buffer.Size();
    // Positions before the resume point were examined by earlier scans and hold no marker.
    std::size_t scan = buffer.scanResume_;
    bool open = buffer.framePending_;
    std::size_t frameStart = open ? kMarkerSize : 0;

    try {
        while (scan + kMarkerSize <= size) {
            std::size_t end = size - (kMarkerSize - 1);
            // A marker at frameStart + kMaxFrame would still close a frame of the largest length.
            if (open) end = std::min(end, frameStart + kMaxFrame + 1);
            const std::size_t marker = FindMarker(data, scan, end);
            if (marker == end) {
                scan = end;
                if (open && end == frameStart + kMaxFrame + 1) {
                    Deliver(handler, data + frameStart, kMaxFrame);
                    open = false;
                }
                continue;
            }
            if (open) Deliver(handler, data + frameStart, marker - frameStart);
            scan = marker + kMarkerSize;
            frameStart = scan;
            open = true;
        }
    } catch (...) {
        // Keep the frame that failed, from its marker on, pending for a later tick.
        buffer.DiscardFront(frameStart - kMarkerSize);
        buffer.scanResume_ = kMarkerSize;
        buffer.framePending_ = true;
        throw;
    }

    if (open) {
        // Keep the last marker found and the bytes of the frame it opened.
        const std::size_t markerAt = frameStart - kMarkerSize;
        buffer.DiscardFront(markerAt);
        buffer.scanResume_ = scan - markerAt;
    } else {
        // No frame open: only the last bytes, which could start a marker, can ever matter.
        buffer.DiscardFront(std::min(scan, size));
        buffer.scanResume_ = 0;
    }
    buffer.framePending_ = open;
}

void FrameScanner::FlushPendingFrame(CaptureBuffer& buffer, const FrameHandler& handler) {
    // After an ordinary full scan this delivers nothing; it matters when an earlier scan was cut
    // short by a throwing handler and left closed frames behind its pending one.
    ScanClosedFrames(buffer, handler);
    if (buffer.framePending_ && buffer.Size() > kMarkerSize) {
        const std::size_t length = std::min(buffer.Size() - kMarkerSize, kMaxFrame);
        Deliver(handler, buffer.Data() + kMarkerSize, length);
    }
    buffer.Empty();
}

}  // namespace veskar
