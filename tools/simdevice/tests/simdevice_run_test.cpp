// Runs the real simdevice program and reads what it sends, through its own pseudo-terminal or
// a path it is given.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tools/simdevice/frame_log.h"
#include "tools/simdevice/line_schedule.h"
#include "tools/simdevice/tests/scanner_cut.h"
#include "tools/simdevice/tests/temp_path.h"
#include "tools/simdevice/traffic_generator.h"

extern char** environ;

namespace veskar::simdevice {
namespace {

using Clock = std::chrono::steady_clock;
using testing::ScannerCut;

constexpr auto kPatience = std::chrono::seconds(30);

// The program, started with `args`, its standard output on a pipe.
class Device {
  public:
    explicit Device(const std::vector<std::string>& args) {
        int out[2];
        if (pipe(out) != 0) return;
        std::vector<std::string> all = {SIMDEVICE_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        output_ = out[0];
    }
    ~Device() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (output_ >= 0) close(output_);
    }

    // The first line of its standard output, without the line end.
    std::string FirstLine() {
        std::string line;
        char c = 0;
        while (read(output_, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    // Everything it wrote to standard output (until it exits).
    std::string Output() {
        std::string text;
        char chunk[4096];
        for (ssize_t n; (n = read(output_, chunk, sizeof chunk)) > 0;) text.append(chunk, n);
        return text;
    }
    // Its exit status, or -1 (also when it has not ended within our patience).
    int Wait() {
        const auto deadline = Clock::now() + kPatience;
        int status = 0;
        pid_t waited = 0;
        while ((waited = waitpid(pid_, &status, WNOHANG)) == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (waited != pid_) return -1;  // the destructor stops it
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
};

struct Received {
    Bytes bytes;
    std::vector<Bytes> shown;      // cut by the project's scanner as the reads came
    double openToLastSeconds = 0;  // from opening the far end to the last byte
};

// Reads the far end at `path` until the device closes it. Each read is a scanner tick, and a
// line quiet for `quietMs` gives a quiet tick.
Received ReadUntilClosed(const std::string& path, int quietMs = 100) {
    Received received;
    ScannerCut cut;
    const auto opened = Clock::now();
    const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0) << path;
    if (fd < 0) return received;
    const auto deadline = Clock::now() + kPatience;
    Clock::time_point last = opened;
    std::uint8_t chunk[10000];
    while (Clock::now() < deadline) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, quietMs) == 0) {
            cut.QuietTick();
            continue;
        }
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            last = Clock::now();
            received.bytes.insert(received.bytes.end(), chunk, chunk + n);
            cut.Tick(chunk, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EAGAIN) {
            break;  // the device closed its end
        }
    }
    close(fd);
    cut.QuietTick();
    received.shown = cut.Shown();
    received.openToLastSeconds = std::chrono::duration<double>(last - opened).count();
    return received;
}

class SimdeviceRunTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (const std::string& path : cleanup_) std::remove(path.c_str());
    }
    std::string TempPath(const std::string& name) {
        cleanup_.push_back(testing::TempPathFor(name));
        return cleanup_.back();
    }

  private:
    std::vector<std::string> cleanup_;
};

// The device waits for a reader, so nothing is lost to a reader that comes late.
TEST_F(SimdeviceRunTest, SendsTheWorkedExampleOnceItsFarEndIsOpened) {
    Device device({"--scenario", "worked-example", "--quiet-end", "20"});
    const std::string farEnd = device.FirstLine();
    ASSERT_EQ(farEnd.rfind("/dev/pts/", 0), 0u) << farEnd;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Received received = ReadUntilClosed(farEnd);
    EXPECT_EQ(received.bytes,
              (Bytes{0x78, 0x48, 0x44, 0x52, 0xA0, 0x01, 0x02, 0x48, 0x44, 0x52, 0xA1, 0x05}));
    EXPECT_EQ(received.shown, (std::vector<Bytes>{{0xA0, 0x01, 0x02}, {0xA1, 0x05}}));
    EXPECT_EQ(device.Wait(), 0);
}

struct RunCase {
    const char* scenario;
    const char* rate;
    int count;
};

void PrintTo(const RunCase& c, std::ostream* out) {
    *out << c.scenario << " at rate " << c.rate << ", " << c.count << " frames";
}

class SimdeviceLogTest : public SimdeviceRunTest, public ::testing::WithParamInterface<RunCase> {};

// What the log says a receiver shows is what the project's scanner cut from the bytes that
// arrived, and those bytes are the generator's stream for the same scenario and seed.
TEST_P(SimdeviceLogTest, LogIsWhatTheScannerCutFromTheBytesReceived) {
    const RunCase& c = GetParam();
    const std::string log = TempPath(std::string(c.scenario) + ".log");
    Device device({"--scenario", c.scenario, "--rate", c.rate, "--count", std::to_string(c.count),
                   "--seed", "7", "--quiet-end", "20", "--log", log});
    const Received received = ReadUntilClosed(device.FirstLine());
    ASSERT_EQ(device.Wait(), 0);

    const Traffic traffic = GenerateTraffic(*ScenarioNamed(c.scenario), 7, c.count);
    EXPECT_EQ(received.bytes, traffic.stream);
    const auto logged = ReadFrameLog(log);
    ASSERT_TRUE(logged.has_value());
    EXPECT_EQ(received.shown, *logged);
    EXPECT_EQ(*logged, traffic.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, SimdeviceLogTest,
    ::testing::Values(RunCase{"mixed", "max", 3000}, RunCase{"hdr-in-data", "max", 300},
                      RunCase{"back-to-back", "line", 300}, RunCase{"stray", "line", 100},
                      RunCase{"bursts", "max", 300}, RunCase{"garbage", "max", 20},
                      RunCase{"realistic", "line", 14}),
    [](const auto& info) {
        std::string name = std::string(info.param.scenario) + "_" + info.param.rate;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

// At the line rate the bytes cannot arrive faster than 230400 baud carries them. (The device
// starts when the far end is opened; the reader may get the first bytes late, but never the
// last one early.)
TEST_F(SimdeviceRunTest, LineRateTakesTheLinesTime) {
    Device device({"--scenario", "smallest", "--count", "1152", "--quiet-end", "0"});
    const Received received = ReadUntilClosed(device.FirstLine());
    ASSERT_EQ(received.bytes.size(), 1152u * 4);
    // The first chunk leaves at once; the rest follows at the line rate.
    EXPECT_GE(received.openToLastSeconds, LineSeconds(1152 * 4 - 64));
    EXPECT_EQ(device.Wait(), 0);
}

TEST_F(SimdeviceRunTest, LinkPointsAtTheFarEndUntilTheEnd) {
    const std::string link = TempPath("com2");
    Device device({"--scenario", "smallest", "--count", "10", "--link", link});
    const std::string farEnd = device.FirstLine();
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), farEnd);
    EXPECT_EQ(ReadUntilClosed(link).bytes, GenerateTraffic(Scenario::Smallest, 1, 10).stream);
    EXPECT_EQ(device.Wait(), 0);
    struct stat gone {};
    EXPECT_NE(lstat(link.c_str(), &gone), 0);
}

// --port writes to whatever exists at the path; a plain file keeps the whole stream.
TEST_F(SimdeviceRunTest, WritesTheStreamToAnExistingPath) {
    const std::string path = TempPath("port.bin");
    std::ofstream(path).close();
    Device device({"--port", path, "--scenario", "garbage", "--seed", "3", "--count", "12",
                   "--rate", "max", "--quiet-end", "0"});
    EXPECT_EQ(device.Output(), "");
    ASSERT_EQ(device.Wait(), 0);
    std::ifstream file(path, std::ios::binary);
    const Bytes written{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_EQ(written, GenerateTraffic(Scenario::Garbage, 3, 12).stream);
}

// A reader that goes away in the middle of a run is a port error.
TEST_F(SimdeviceRunTest, APortThatGoesAwayEndsTheRunWithStatus1) {
    const std::string fifo = TempPath("fifo");
    unlink(fifo.c_str());  // a run whose process id was the same may have left one behind
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Not inherited by the device, which would then keep the pipe alive itself.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    Device device({"--port", fifo, "--scenario", "smallest"});  // until stopped
    pollfd ready{reader, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 10000), 1);
    std::uint8_t chunk[64];
    EXPECT_GT(read(reader, chunk, sizeof chunk), 0);
    close(reader);
    EXPECT_EQ(device.Wait(), 1);
    unlink(fifo.c_str());
}

TEST_F(SimdeviceRunTest, ExitStatusTellsUsageAndPortErrorsApart) {
    EXPECT_EQ(Device({"--scenario", "loud"}).Wait(), 2);
    EXPECT_EQ(Device({"--count"}).Wait(), 2);
    EXPECT_EQ(Device({"--port", "/nonexistent/ttyX"}).Wait(), 1);
    Device help({"--help"});
    EXPECT_NE(help.Output().find("usage: simdevice"), std::string::npos);
    EXPECT_EQ(help.Wait(), 0);
}

}  // namespace
}  // namespace veskar::simdevice
