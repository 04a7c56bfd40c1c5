#pragma once

#include <cstdint>

#include "capture/capture_buffer.h"
#include "capture/frame.h"

namespace veskar {

// Cuts the CaptureBuffer into frames at each "HDR" marker and hands them, in stream order, to
// a FrameHandler.
//
// A frame is known to be complete when the next marker arrives (full scan) or when a tick brings
// no bytes at all (idle flush). Frames are delivered exactly as a re-scan of the whole buffer
// from index 0 would deliver them, but each scan only examines the bytes that arrived since the
// previous one, so a long pending frame does not make the ticks quadratic.
//
// Memory stays bounded whatever the line carries:
//  - bytes before the first marker can never belong to a frame; at most the two that could start
//    a marker are kept;
//  - a frame longer than kMaxFrameBytes (far above any real I2C transaction) is delivered with
//    its first kMaxFrameBytes bytes as soon as it is known to be longer; the bytes after it
//    belong to no frame until the next marker.
//
// If the handler throws, the frames handled before stay consumed, and the frame that failed and
// all after it stay pending in the buffer, to be delivered at a later tick.
class FrameScanner {
  public:
    static constexpr std::int32_t kMaxFrameBytes = 64 * 1024;

    // The per-tick entry: the full scan after a tick that read bytes, the idle flush otherwise.
    static void ProcessTick(CaptureBuffer& buffer, std::int32_t bytesRead,
                            const FrameHandler& handler);
    // Delivers every frame that a following marker has closed; keeps the unfinished one.
    static void ScanClosedFrames(CaptureBuffer& buffer, const FrameHandler& handler);
    // Delivers the pending frame (if the buffer holds one) and empties the buffer.
    static void FlushPendingFrame(CaptureBuffer& buffer, const FrameHandler& handler);
};

}  // namespace veskar
