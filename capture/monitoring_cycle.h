#pragma once

#include <windows.h>

#include <cstdint>

namespace veskar {

inline constexpr std::uint32_t kDeviceBaudRate = 230400;

// MonitorTimer: window timer 1 of the main window; monitoring is on exactly while it exists.
inline constexpr UINT_PTR kMonitorTimerId = 1;
inline constexpr UINT kMonitorTimerPeriodMs = 10;

// Creates MonitorTimer, or restarts its period if it exists.
inline void StartMonitorTimer(HWND window) {
    SetTimer(window, kMonitorTimerId, kMonitorTimerPeriodMs, nullptr);
}
inline void StopMonitorTimer(HWND window) {
    KillTimer(window, kMonitorTimerId);
}

}  // namespace veskar
