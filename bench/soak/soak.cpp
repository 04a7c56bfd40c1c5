// Accelerated soak of the recording path: millions of frames cut by the FrameScanner from
// reads of varied size with quiet ticks between transactions, formed into rows and written one
// line per write into rotated log files the way the realtime recorder writes them (file 0: the
// header and 65534 rows; every later file: 65535 rows; Seq running on across files).
// Each file is read back once it is closed and checked against the frames sent: every frame
// exactly once, in order, with its Seq, Len and Data, and no file above 65535 lines. Checked
// files are deleted, so the disk holds at most two files at a time.
//   scripts/soak.sh [transactions]
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "capture/capture_buffer.h"
#include "capture/frame_row.h"
#include "capture/frame_scanner.h"
#include "logs/log_file_format.h"

namespace {

using veskar::CaptureBuffer;
using veskar::Frame;
using veskar::FrameScanner;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "soak: FAILED: %s\n", what.c_str());
    std::exit(1);
}

std::string Status(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return line.substr(line.find_first_not_of(" \t", std::strlen(field)));
    return "?";
}

// A deterministic source of transactions; the checker runs a second one with the same seed.
class TransactionSource {
  public:
    explicit TransactionSource(std::uint64_t seed) : state_(seed) {}

    // The next frame's bytes: the address byte and the data bytes; empty for back-to-back
    // markers. No byte is 0x48, so data never holds a marker.
    const std::vector<std::uint8_t>& Next() {
        frame_.clear();
        const std::uint64_t shape = Random() % 1000;
        std::size_t length = 0;
        if (shape == 0) {
            length = 0;
        } else if (shape < 900) {
            length = 1 + Random() % 12;
        } else {
            length = 13 + Random() % 120;
        }
        for (std::size_t i = 0; i < length; ++i) frame_.push_back(Byte());
        return frame_;
    }

    std::uint64_t Random() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

  private:
    std::uint8_t Byte() {
        const auto byte = static_cast<std::uint8_t>(Random() >> 24);
        return byte == 0x48 ? 0x49 : byte;
    }

    std::uint64_t state_;
    std::vector<std::uint8_t> frame_;
};

constexpr std::uint64_t kSeed = 0x5EED2026ULL;

// The recorder's rotation: a file is full at 65535 lines; only file 0 begins with the header.
class RotatingRecorder {
  public:
    explicit RotatingRecorder(std::string basePath) : basePath_(std::move(basePath)) {
        Open(0);
        WriteLine(veskar::kLogHeaderLine);
    }
    ~RotatingRecorder() { Close(); }

    // Returns the number of the file that a rotation has just closed, or -1.
    int Record(const Frame& frame) {
        int closed = -1;
        if (lines_ == veskar::kMaxLinesPerLogFile) {
            closed = fileIndex_;
            Open(fileIndex_ + 1);
        }
        ++frameNum_;
        WriteLine(veskar::FormatLogLine(veskar::FormatFrameRow(frame, frameNum_)));
        return closed;
    }
    void Close() {
        if (fd_ >= 0 && ::close(fd_) != 0) Fail("close failed");
        fd_ = -1;
    }
    int FileIndex() const { return fileIndex_; }
    std::uint32_t FrameNum() const { return frameNum_; }

  private:
    void Open(int index) {
        Close();
        fileIndex_ = index;
        const std::string name = veskar::LogFileName(basePath_, index);
        fd_ = ::open(name.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
        if (fd_ < 0) Fail("cannot create " + name);
        lines_ = 0;
    }
    // One line, one write of exactly its length, as the recorder hands it to the system.
    void WriteLine(const std::string& line) {
        if (::write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            Fail("short write");
        ++lines_;
    }

    std::string basePath_;
    int fd_ = -1;
    int fileIndex_ = 0;
    std::int32_t lines_ = 0;
    std::uint32_t frameNum_ = 0;
};

// Reads the closed files back, in order, against a second source of the same transactions.
class FileChecker {
  public:
    explicit FileChecker(std::string basePath) : basePath_(std::move(basePath)), source_(kSeed) {}

    void CheckFile(int index, bool last) {
        if (index != nextFile_) Fail("files out of order");
        ++nextFile_;
        const std::string name = veskar::LogFileName(basePath_, index);
        std::ifstream in(name, std::ios::binary);
        if (!in) Fail("cannot read " + name);
        std::int64_t lines = 0;
        // One line at a time into the same string, so that checking keeps memory flat.
        while (std::getline(in, line_)) {
            if (in.eof()) Fail(name + " does not end with LF");
            if (line_.find('\r') != std::string::npos) Fail(name + " holds a CR");
            if (index == 0 && lines == 0) {
                if (line_ + "\n" != veskar::kLogHeaderLine) Fail("file 0 lacks its header");
            } else {
                CheckRow(name);
            }
            ++lines;
        }
        if (lines > veskar::kMaxLinesPerLogFile) Fail(name + " has more than 65535 lines");
        if (!last && lines != veskar::kMaxLinesPerLogFile) Fail(name + " is not full");
        maxLines_ = std::max(maxLines_, lines);
        ::unlink(name.c_str());
    }

    std::uint64_t Rows() const { return rows_; }
    int Files() const { return nextFile_; }
    std::int64_t MaxLines() const { return maxLines_; }

  private:
    void CheckRow(const std::string& name) {
        const std::string& text = line_;
        const std::size_t at = 0;
        const std::size_t end = text.size();
        const std::vector<std::uint8_t>* frame = &source_.Next();
        while (frame->empty()) frame = &source_.Next();  // empty frames are not recorded
        ++rows_;
        const std::string expected = std::to_string(rows_) + "\t";
        const std::size_t tab1 = at + expected.size();
        if (text.compare(at, expected.size(), expected) != 0)
            Fail(name + ": Seq " + std::to_string(rows_) + " missing or out of order");
        const std::string time = text.substr(tab1, 9);
        if (time.size() != 9 || time[2] != ':' || time[5] != ':' || time[8] != '\t')
            Fail(name + ": bad Time at Seq " + std::to_string(rows_));
        static const char kHex[] = "0123456789ABCDEF";
        std::string rest = std::to_string(frame->size()) + "\tS<";
        const std::uint8_t address = (*frame)[0];
        rest += kHex[(address >> 1) >> 4];
        rest += kHex[(address >> 1) & 15];
        rest += (address & 1) != 0 ? ":r>" : ":w>";
        for (std::size_t i = 1; i < frame->size(); ++i) {
            rest += kHex[(*frame)[i] >> 4];
            rest += kHex[(*frame)[i] & 15];
            rest += ' ';
        }
        const std::size_t restAt = tab1 + 9;
        if (end - restAt != rest.size() || text.compare(restAt, rest.size(), rest) != 0)
            Fail(name + ": Len or Data differs at Seq " + std::to_string(rows_));
    }

    std::string basePath_;
    TransactionSource source_;
    int nextFile_ = 0;
    std::uint64_t rows_ = 0;
    std::int64_t maxLines_ = 0;
    std::string line_;
};

// The device side: marker plus frame, cut into reads of 1 to 2300 bytes; now and then the device
// pauses after a transaction, and the tick after that reads nothing.
class Wire {
  public:
    explicit Wire(std::uint64_t transactions)
        : source_(kSeed), tickSizes_(kSeed ^ 0xABCDEF), target_(transactions) {}

    bool Done() const { return transactions_ == target_ && at_ == pending_.size(); }

    // The bytes of the next tick; sets `pauseAfter` when the device pauses after this read, which
    // it does only at the end of a transaction.
    void NextRead(std::vector<std::uint8_t>& read, bool& pauseAfter) {
        read.clear();
        const bool pause = tickSizes_.Random() % 40 == 0;
        std::size_t want = 1 + tickSizes_.Random() % 2300;
        while (Fill()) {
            const std::size_t take = std::min(want - read.size(), pending_.size() - at_);
            read.insert(read.end(), pending_.begin() + at_, pending_.begin() + at_ + take);
            at_ += take;
            if (read.size() < want) continue;
            if (!pause || at_ == pending_.size()) break;
            want += pending_.size() - at_;  // finish the transaction before the pause
        }
        pauseAfter =
            pause && at_ == pending_.size() && pending_.size() > 3;  // not after an empty frame
    }
    std::uint64_t Transactions() const { return transactions_; }
    std::uint64_t Frames() const { return frames_; }

  private:
    bool Fill() {
        if (at_ < pending_.size()) return true;
        if (transactions_ == target_) return false;
        ++frames_;
        const std::vector<std::uint8_t>& frame = source_.Next();
        if (!frame.empty()) ++transactions_;
        pending_.assign({0x48, 0x44, 0x52});
        pending_.insert(pending_.end(), frame.begin(), frame.end());
        at_ = 0;
        return true;
    }

    TransactionSource source_;
    TransactionSource tickSizes_;
    std::uint64_t target_;
    std::uint64_t frames_ = 0;
    std::vector<std::uint8_t> pending_;
    std::size_t at_ = 0;
    std::uint64_t transactions_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::uint64_t transactions = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000'000;
    char dirTemplate[] = "/tmp/veskar-soak-XXXXXX";
    const char* dir = ::mkdtemp(dirTemplate);
    if (dir == nullptr) Fail("no temp dir");
    const std::string base = std::string(dir) + "/soak";

    std::printf("soak: %llu transactions to send (and about 1 empty frame in 1000), files in %s\n",
                static_cast<unsigned long long>(transactions), dir);
    std::printf("soak: memory at start:  VmRSS %s\n", Status("VmRSS:").c_str());
    const auto started = std::chrono::steady_clock::now();

    CaptureBuffer buffer;
    RotatingRecorder recorder(base);
    FileChecker checker(base);
    Wire wire(transactions);
    std::uint64_t ticks = 0, quietTicks = 0, bytes = 0, delivered = 0;
    std::size_t largestBuffer = 0;
    bool middleShown = false;
    const veskar::FrameHandler record = [&](const Frame& frame) {
        ++delivered;
        if (frame.length == 0) return;  // no transaction, as the recorder skips it
        const int closed = recorder.Record(frame);
        if (closed >= 0) checker.CheckFile(closed, false);
    };
    auto tick = [&](const std::vector<std::uint8_t>& read) {
        for (std::uint8_t byte : read) buffer.Append(byte);
        largestBuffer = std::max(largestBuffer, buffer.Size());
        FrameScanner::ProcessTick(buffer, static_cast<std::int32_t>(read.size()), record);
        ++ticks;
        bytes += read.size();
    };

    std::vector<std::uint8_t> read;
    while (!wire.Done()) {
        bool pause = false;
        wire.NextRead(read, pause);
        tick(read);
        if (pause) {
            tick({});
            ++quietTicks;
        }
        if (!middleShown && delivered >= transactions / 2) {
            std::printf("soak: memory at middle: VmRSS %s (%llu frames in)\n",
                        Status("VmRSS:").c_str(), static_cast<unsigned long long>(delivered));
            middleShown = true;
        }
    }
    tick({});  // the device falls silent: the last frame is flushed
    recorder.Close();
    checker.CheckFile(recorder.FileIndex(), true);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ::rmdir(dir);

    std::printf("soak: memory at end:    VmRSS %s, peak VmHWM %s\n", Status("VmRSS:").c_str(),
                Status("VmHWM:").c_str());
    if (delivered != wire.Frames()) Fail("frames sent " + std::to_string(wire.Frames()));
    if (recorder.FrameNum() != wire.Transactions())
        Fail("recorded " + std::to_string(recorder.FrameNum()) + " of " +
             std::to_string(wire.Transactions()) + " transactions");
    if (checker.Rows() != wire.Transactions()) Fail("rows read back differ from rows written");
    std::printf(
        "soak: %llu frames delivered (empty ones included), %llu transactions recorded "
        "and read back exactly once, in order\n",
        static_cast<unsigned long long>(delivered),
        static_cast<unsigned long long>(checker.Rows()));
    std::printf("soak: %d files, largest %lld lines; %llu ticks (%llu quiet), %.1f MB read\n",
                checker.Files(), static_cast<long long>(checker.MaxLines()),
                static_cast<unsigned long long>(ticks), static_cast<unsigned long long>(quietTicks),
                bytes / 1e6);
    std::printf("soak: capture buffer largest %zu bytes, storage %zu bytes\n", largestBuffer,
                buffer.Capacity());
    std::printf("soak: %.1f s, %.0f frames/s\n", seconds, delivered / seconds);
    return 0;
}
