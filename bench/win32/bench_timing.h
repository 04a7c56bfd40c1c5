#pragma once
// Timing and message-loop pieces shared by the benchmarks that run against the real main window.

#include <windows.h>

namespace veskar::bench {

// The line's maximum: 230400 baud carries 5760 frames of 4 bytes a second.
constexpr double kLineMaxFramesPerSecond = 5760.0;

class Stopwatch {
  public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Seconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) /
               static_cast<double>(frequency_.QuadPart);
    }

  private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

// Microseconds per call of `call(i)`, over `count` calls.
template <typename Call>
double MicrosecondsPerCall(int count, Call&& call) {
    const Stopwatch watch;
    for (int i = 0; i < count; ++i) call(i);
    return 1e6 * watch.Seconds() / count;
}

// What the program's message loop does between two ticks; returns the messages it handled.
inline int PumpMessages() {
    int handled = 0;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        ++handled;
    }
    return handled;
}

}  // namespace veskar::bench
