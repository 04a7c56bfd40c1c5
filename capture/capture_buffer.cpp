#include "capture/capture_buffer.h"

#include <algorithm>
#include <cstring>

namespace veskar {

void CaptureBuffer::Grow() {
    const std::size_t newCapacity = capacity_ + std::max<std::size_t>(capacity_, 1);
    auto grown = std::make_unique<std::uint8_t[]>(newCapacity);
    if (size_ > 0) std::memcpy(grown.get(), storage_.get(), size_);
    storage_ = std::move(grown);
    capacity_ = newCapacity;
}

void CaptureBuffer::DiscardFront(std::size_t first) {
    if (first == 0) return;
    const std::size_t kept = size_ - first;
    if (kept > 0) std::memmove(storage_.get(), storage_.get() + first, kept);
    size_ = kept;
}

void CaptureBuffer::Empty() {
    size_ = 0;
    scanResume_ = 0;
    framePending_ = false;
}

}  // namespace veskar
