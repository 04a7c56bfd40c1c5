#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "capture/frame.h"

namespace veskar {

// The four texts a frame is shown and logged as.
struct FrameRow {
    std::string seq;   // "%d"
    std::string time;  // "%H:%M:%S" local time when the frame was handled; empty if unknown
    std::string len;   // "%d", address byte plus data bytes
    std::string data;  // "S<AA:r>" or "S<AA:w>", then "XX " for each data byte
};

// Where FormatFrameRow takes the current time from; tests pin it.
using WallClock = std::time_t (*)();
std::time_t SystemWallClock();
void SetWallClock(WallClock clock);  // nullptr restores the system clock

// The row of a frame of length 1 or more with its sequence number.
FrameRow FormatFrameRow(const Frame& frame, std::int64_t number);

// The Data text alone: the 7-bit address with its read/write mark, then the data bytes.
std::string FormatFrameData(const Frame& frame);

}  // namespace veskar
