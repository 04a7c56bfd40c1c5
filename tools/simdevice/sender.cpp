#include "tools/simdevice/sender.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tools/simdevice/line_schedule.h"
#include "tools/simdevice/traffic_generator.h"

namespace veskar::simdevice {
namespace {

using Clock = std::chrono::steady_clock;

// A long frame leaves in slices, each when it is due.
constexpr std::size_t kSliceBytes = 64;
// At most this much is handed to the port in one write.
constexpr std::size_t kBatchBytes = 4096;
// The shortest sleep between writes, so that the line rate goes out in chunks, not byte by byte.
constexpr double kMinSleepSeconds = 0.001;
// Sleeps are cut into steps this long so that an interrupt is noticed soon.
constexpr double kSleepStepSeconds = 0.05;
// How long a reader that takes no bytes holds up a quiet time, and the end of the run.
constexpr double kQuietDrainPatienceSeconds = 1;
constexpr double kEndDrainPatienceSeconds = 10;

class Run {
  public:
    Run(const Options& options, DevicePort& port, FrameLogWriter* log)
        : options_(options),
          port_(port),
          log_(log),
          schedule_(options.rate),
          generator_(options.scenario, options.seed) {}

    RunSummary Go() {
        bool sending = true;
        while (sending && !Finished()) {
            std::optional<Piece> piece = generator_.Next();
            sending = piece && Send(std::move(*piece));
        }
        if (summary_.error.empty() && !gStopRequested && Flush()) {
            summary_.unread = !port_.Drain(kEndDrainPatienceSeconds);
            summary_.elapsedSeconds = Now();
            SleepUnlessStopped(options_.quietEndMs);
            // Nothing may be left in the port when it closes: that would be lost.
            if (!summary_.unread) summary_.unread = !port_.Drain(kEndDrainPatienceSeconds);
        } else {
            summary_.elapsedSeconds = Now();
        }
        summary_.interrupted = gStopRequested && summary_.error.empty();
        return summary_;
    }

  private:
    double Now() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

    bool Finished() const {
        if (gStopRequested) return true;
        if (options_.count && framesTaken_ >= *options_.count) return true;
        return options_.durationSeconds && Now() >= *options_.durationSeconds;
    }

    bool Send(Piece piece) {
        if (piece.quietBeforeMs > 0) {
            if (!Flush()) return false;
            // The quiet time counts from when the reader has the bytes before it, so that it
            // sees the quiet tick even when it reads late.
            if (piece.quietBeforeMs >= kReceiverTickMs) port_.Drain(kQuietDrainPatienceSeconds);
            schedule_.AddQuiet(piece.quietBeforeMs, Now());
        }
        for (std::size_t at = 0; at < piece.bytes.size(); at += kSliceBytes) {
            if (schedule_.NextDue() > Now() && !(Flush() && SleepUntilDue())) return false;
            const std::size_t size = std::min(kSliceBytes, piece.bytes.size() - at);
            batch_.insert(batch_.end(), piece.bytes.begin() + at, piece.bytes.begin() + at + size);
            schedule_.AddBytes(size);
            if (batch_.size() >= kBatchBytes && !Flush()) return false;
        }
        // Counted and logged once the port has taken all of it.
        framesTaken_ += piece.framesSent;
        batchPieces_.push_back(std::move(piece));
        return true;
    }

    bool SleepUntilDue() {
        const double wake = std::max(schedule_.NextDue(), Now() + kMinSleepSeconds);
        return SleepUnlessStopped((wake - Now()) * 1000.0);
    }

    bool Flush() {
        if (batch_.empty()) return true;
        if (!port_.Write(batch_.data(), batch_.size(), summary_.error)) return false;
        summary_.bytesSent += batch_.size();
        batch_.clear();
        for (const Piece& piece : batchPieces_) {
            summary_.framesSent += piece.framesSent;
            summary_.framesShown += static_cast<std::int64_t>(piece.shown.size());
            if (log_) log_->Write(piece);
        }
        if (log_ && !batchPieces_.empty()) log_->Flush();
        batchPieces_.clear();
        schedule_.CatchUp(Now());
        return true;
    }

    const Options& options_;
    DevicePort& port_;
    FrameLogWriter* log_;
    LineSchedule schedule_;
    TrafficGenerator generator_;
    Bytes batch_;
    std::vector<Piece> batchPieces_;  // the pieces whose bytes end in `batch_`
    std::int64_t framesTaken_ = 0;    // frames of the pieces taken from the generator
    RunSummary summary_;
    Clock::time_point start_ = Clock::now();
};

}  // namespace

RunSummary SendTraffic(const Options& options, DevicePort& port, FrameLogWriter* log) {
    return Run(options, port, log).Go();
}

std::string SummaryText(const RunSummary& summary) {
    const double seconds = std::max(summary.elapsedSeconds, 1e-9);
    const double bytesPerSecond = static_cast<double>(summary.bytesSent) / seconds;
    char text[256];
    std::snprintf(
        text, sizeof text,
        "sent %lld frames (%lld shown), %llu bytes in %.3f s: %.0f bytes/s (%.3f x the "
        "line rate), %.0f frames/s%s%s",
        static_cast<long long>(summary.framesSent), static_cast<long long>(summary.framesShown),
        static_cast<unsigned long long>(summary.bytesSent), summary.elapsedSeconds, bytesPerSecond,
        bytesPerSecond / kLineBytesPerSecond, static_cast<double>(summary.framesSent) / seconds,
        summary.interrupted ? " (interrupted)" : "",
        summary.unread ? " (the reader left bytes unread)" : "");
    return text;
}

bool SleepUnlessStopped(double ms) {
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double, std::milli>(ms));
    while (!gStopRequested) {
        const auto now = Clock::now();
        if (now >= end) return true;
        const auto step = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(kSleepStepSeconds));
        std::this_thread::sleep_until(std::min(end, now + step));
    }
    return false;
}

}  // namespace veskar::simdevice
