#pragma once

// Cuts bytes into the frames that Veskar shows, with the project's own capture buffer and frame
// scanner: reads of varying sizes at each tick, and a quiet tick where the line falls quiet.

#include <cstdint>
#include <vector>

#include "capture/capture_buffer.h"
#include "capture/frame_scanner.h"
#include "tools/simdevice/traffic_generator.h"

namespace veskar::simdevice::testing {

class ScannerCut {
  public:
    // One tick that read `bytes` (none: a quiet tick).
    void Tick(const std::uint8_t* bytes, std::size_t size) {
        for (std::size_t at = 0; at < size; ++at) buffer_.Append(bytes[at]);
        FrameScanner::ProcessTick(buffer_, static_cast<std::int32_t>(size), [this](const Frame& f) {
            // Veskar shows no row for an empty frame.
            if (f.length > 0) shown_.emplace_back(f.bytes, f.bytes + f.length);
        });
    }
    void Tick(const Bytes& bytes) { Tick(bytes.data(), bytes.size()); }
    void QuietTick() { Tick(nullptr, 0); }

    const std::vector<Bytes>& Shown() const { return shown_; }

  private:
    CaptureBuffer buffer_;
    std::vector<Bytes> shown_;
};

}  // namespace veskar::simdevice::testing
