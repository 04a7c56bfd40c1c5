#include "capture/frame_row.h"

#include <cstdio>

namespace veskar {
namespace {

WallClock currentClock = &SystemWallClock;

bool ToLocalTime(std::time_t when, std::tm& local) {
#ifdef _WIN32
    return localtime_s(&local, &when) == 0;
#else
    return localtime_r(&when, &local) != nullptr;
#endif
}

// Frames of one burst share their second; converting the time once per second keeps the
// per-frame cost down.
const std::string& TimeText(std::time_t now) {
    static std::time_t cachedSecond = static_cast<std::time_t>(-1);
    static std::string cachedText;
    if (now != cachedSecond) {
        std::tm local{};
        char text[16] = "";
        if (now == static_cast<std::time_t>(-1) || !ToLocalTime(now, local) ||
            std::strftime(text, sizeof text, "%H:%M:%S", &local) == 0) {
            text[0] = '\0';
        }
        cachedText = text;
        cachedSecond = now;
    }
    return cachedText;
}

void AppendHex(std::string& out, std::uint8_t byte) {
    static const char kDigits[] = "0123456789ABCDEF";
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 0x0F]);
}

}  // namespace

std::time_t SystemWallClock() {
    return std::time(nullptr);
}

void SetWallClock(WallClock clock) {
    currentClock = clock != nullptr ? clock : &SystemWallClock;
}

std::string FormatFrameData(const Frame& frame) {
    const std::uint8_t address = frame.bytes[0];
    std::string data;
    data.reserve(8 + 3 * static_cast<std::size_t>(frame.length));
    data += "S<";
    AppendHex(data, static_cast<std::uint8_t>(address >> 1));
    data += (address & 1) != 0 ? ":r>" : ":w>";
    for (std::int32_t i = 1; i < frame.length; ++i) {
        AppendHex(data, frame.bytes[i]);
        data.push_back(' ');
    }
    return data;
}

FrameRow FormatFrameRow(const Frame& frame, std::int64_t number) {
    FrameRow row;
    row.seq = std::to_string(number);
    row.time = TimeText(currentClock());
    row.len = std::to_string(frame.length);
    row.data = FormatFrameData(frame);
    return row;
}

}  // namespace veskar
