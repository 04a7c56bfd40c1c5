#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace veskar {

class FrameScanner;

// The received bytes not yet cut into frames. Grows by doubling and never gives storage back;
// bytes leave only through the FrameScanner, which also keeps its resume point here so that a
// scan examines only the bytes that arrived since the previous one.
class CaptureBuffer {
  public:
    CaptureBuffer() = default;
    CaptureBuffer(const CaptureBuffer&) = delete;
    CaptureBuffer& operator=(const CaptureBuffer&) = delete;

    void Append(std::uint8_t byte) {
        if (size_ == capacity_) Grow();
        storage_[size_++] = byte;
    }

    const std::uint8_t* Data() const { return storage_.get(); }
    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }

  private:
    friend class FrameScanner;

    void Grow();
    // Moves the bytes from `first` on to the front of the storage.
    void DiscardFront(std::size_t first);
    void Empty();

    std::unique_ptr<std::uint8_t[]> storage_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;

    // Scan state kept between ticks (see FrameScanner): where the next scan resumes its search
    // for a marker, and whether the buffer begins with the marker of a pending frame.
    std::size_t scanResume_ = 0;
    bool framePending_ = false;
};

}  // namespace veskar
