#pragma once

// Pacing of the simulated device: when each byte is due on the line.

#include <cstddef>

namespace veskar::simdevice {

// 230400 baud with 8 data bits, one start and one stop bit: 10 bit times per byte.
inline constexpr double kLineBaud = 230400.0;
inline constexpr double kLineBytesPerSecond = kLineBaud / 10.0;  // 23040
// A receiver polls every 10 ms; a quiet time at least this long lets it see a quiet tick.
inline constexpr double kReceiverTickMs = 10.0;

inline double LineSeconds(std::size_t bytes) {
    return static_cast<double>(bytes) / kLineBytesPerSecond;
}

enum class Rate {
    Line,  // bytes are due at the line's byte rate
    Max,   // bytes are due at once; only the scenario's quiet times take time
};

// The timetable of one run, in seconds from its start. Bytes are due back to back at the
// line rate (or at once) and quiet times add to it. It never plans a burst to make up for a
// stall: a schedule left far behind the clock (a port that did not take the bytes) moves up.
class LineSchedule {
  public:
    // How far the schedule may trail the clock (ordinary sleep overshoot) before it moves up.
    static constexpr double kMaxLagSeconds = 0.02;

    explicit LineSchedule(Rate rate) : rate_(rate) {}

    // When the next byte is due.
    double NextDue() const { return nextDue_; }
    // `count` more bytes were handed to the port.
    void AddBytes(std::size_t count) {
        if (rate_ == Rate::Line) nextDue_ += LineSeconds(count);
    }
    // The line stays silent for `ms`, counted from `now` (when the bytes before have left) or
    // from when the next byte was due, whichever is later.
    void AddQuiet(double ms, double now) {
        if (nextDue_ < now) nextDue_ = now;
        nextDue_ += ms / 1000.0;
    }
    // The clock has reached `now`.
    void CatchUp(double now) {
        if (nextDue_ < now - kMaxLagSeconds) nextDue_ = now;
    }

  private:
    Rate rate_;
    double nextDue_ = 0;
};

}  // namespace veskar::simdevice
