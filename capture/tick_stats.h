#pragma once

// Timing of the monitoring ticks for the benchmark build of the program (veskar_tickstats.exe,
// compiled with VESKAR_TICK_STATS; see bench/e2e). In every other build the guard is nothing.
#ifdef VESKAR_TICK_STATS

namespace veskar::tick_stats {

// Times one timer tick from construction to destruction; reads the frame counter at both ends
// to count the frames the tick showed (a Clear at the row limit in between is accounted for).
class TickGuard {
  public:
    explicit TickGuard(const int& frameCounter);
    ~TickGuard();
    TickGuard(const TickGuard&) = delete;
    TickGuard& operator=(const TickGuard&) = delete;

  private:
    const int& frameCounter_;
    int counterAtStart_;
    long long startCount_;
};

}  // namespace veskar::tick_stats

#define VESKAR_TICK_STATS_GUARD(frameCounter) \
    const ::veskar::tick_stats::TickGuard tickStatsGuard(frameCounter)

#else

#define VESKAR_TICK_STATS_GUARD(frameCounter) static_cast<void>(0)

#endif
