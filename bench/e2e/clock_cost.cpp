// clock_cost.exe [CALLS]: what reading the wall clock costs per call, the way each row's Time
// text reads it (std::time) against reading the system time directly. Under Wine the C
// runtime's time() also asks for the time zone on every call, which the host answers by
// re-reading its zone file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double Seconds() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Seconds since 1970 from the system time, as std::time gives them.
std::time_t SystemTimeSeconds() {
    constexpr unsigned long long kTicksPerSecond = 10000000ull;
    constexpr unsigned long long kSeconds1601To1970 = 11644473600ull;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<std::time_t>(ticks / kTicksPerSecond - kSeconds1601To1970);
}

template <typename Clock>
double MicrosecondsPerCall(Clock clock, int calls, std::time_t& sink) {
    const double start = Seconds();
    for (int i = 0; i < calls; ++i) sink ^= clock();
    return (Seconds() - start) * 1e6 / calls;
}

}  // namespace

int main(int argc, char** argv) {
    const int calls = argc > 1 ? std::atoi(argv[1]) : 20000;
    std::time_t sink = 0;
    const std::time_t viaTime = std::time(nullptr), direct = SystemTimeSeconds();
    const double timeCost = MicrosecondsPerCall([] { return std::time(nullptr); }, calls, sink);
    const double directCost = MicrosecondsPerCall(SystemTimeSeconds, calls, sink);
    std::printf("std::time(nullptr):        %8.3f us per call\n", timeCost);
    std::printf("GetSystemTimeAsFileTime:   %8.3f us per call (same second: %s)\n", directCost,
                viaTime == direct || viaTime + 1 == direct ? "yes" : "no");
    std::printf("(%d calls each; checksum %lld)\n", calls, static_cast<long long>(sink & 1));
    return 0;
}
