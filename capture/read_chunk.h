#pragma once

#include <array>
#include <cstdint>

namespace veskar {

// The most bytes one monitoring tick takes from the serial link.
inline constexpr std::uint32_t kReadChunkBytes = 10000;

// The program-wide buffer each tick reads into before the bytes go to the capture buffer.
using ReadChunk = std::array<std::uint8_t, kReadChunkBytes>;

}  // namespace veskar
