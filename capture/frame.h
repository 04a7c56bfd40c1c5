#pragma once

#include <cstdint>
#include <functional>

namespace veskar {

// The three bytes "HDR" that open every frame of the device's byte stream.
inline constexpr std::uint8_t kFrameMarker[3] = {0x48, 0x44, 0x52};
inline constexpr std::int32_t kFrameMarkerSize = 3;

// One transaction cut out of the byte stream: the address byte followed by the data bytes.
// The bytes are a view into the capture buffer, valid only during the handler call.
struct Frame {
    const std::uint8_t* bytes = nullptr;
    std::int32_t length = 0;  // 0 for two markers back to back
};

using FrameHandler = std::function<void(const Frame&)>;

}  // namespace veskar
