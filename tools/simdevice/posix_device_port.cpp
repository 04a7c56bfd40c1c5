// The device's port on POSIX systems: a pseudo-terminal pair of our own, whose far end a reader
// opens like a serial port, or an existing device or path.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "tools/simdevice/device_port.h"

namespace veskar::simdevice {
namespace {

// Polls while waiting for a reader or for room in the port.
constexpr int kPollMs = 10;
// How long the far end's input queue must stay empty to count as drained.
constexpr double kSettleSeconds = 0.01;

std::string SystemError() {
    return std::strerror(errno);
}

// Raw 8N1 at the line rate: no echo, no line editing, no character translation or signals, so
// that every byte goes through unchanged.
void SetLine(int fd) {
    termios line{};
    if (tcgetattr(fd, &line) != 0) return;
    cfmakeraw(&line);
    line.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
#ifdef B230400
    cfsetispeed(&line, B230400);
    cfsetospeed(&line, B230400);
#endif
    tcsetattr(fd, TCSANOW, &line);
}

class FdPort : public DevicePort {
  public:
    FdPort(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    ~FdPort() override { close(fd_); }

    bool Write(const std::uint8_t* bytes, std::size_t size, std::string& error) override {
        while (size > 0) {
            const ssize_t written = write(fd_, bytes, size);
            if (written > 0) {
                bytes += written;
                size -= static_cast<std::size_t>(written);
            } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                if (gStopRequested) return false;
                WaitForRoom();
            } else if (written < 0 && errno != EINTR) {
                error = "cannot write to " + name_ + ": " + SystemError();
                return false;
            }
        }
        return true;
    }

    bool Drain(double) override {
        if (isatty(fd_)) tcdrain(fd_);
        return true;
    }

  protected:
    // True while a pseudo-terminal master sees no reader at its far end.
    bool FarEndClosed() const {
        pollfd state{fd_, 0, 0};
        return poll(&state, 1, 0) == 1 && (state.revents & POLLHUP) != 0;
    }

    int fd_;
    std::string name_;

  private:
    void WaitForRoom() {
        pollfd room{fd_, POLLOUT, 0};
        if (poll(&room, 1, 100) == 1 && (room.revents & POLLOUT) == 0) {
            // Hung up with a full buffer: wait for a reader to come back and take the bytes.
            poll(nullptr, 0, kPollMs);
        }
    }
};

// Our own pseudo-terminal: we write to the master, the reader opens the slave (the far end).
class PseudoTerminalPort : public FdPort {
  public:
    PseudoTerminalPort(int master, std::string slave) : FdPort(master, std::move(slave)) {}

    ~PseudoTerminalPort() override {
        char target[4096];
        const ssize_t size = link_.empty() ? -1 : readlink(link_.c_str(), target, sizeof target);
        if (size > 0 && name_ == std::string(target, static_cast<std::size_t>(size))) {
            unlink(link_.c_str());
        }
    }

    // Until the slave is first opened, a master shows no hang-up; opening and closing it once
    // ourselves makes the master show one until a reader opens it.
    bool PrepareReaderDetection() {
        const int slave = open(name_.c_str(), O_RDWR | O_NOCTTY);
        if (slave < 0) return false;
        close(slave);
        return true;
    }

    // A symbolic link to the far end, removed with the port.
    void OwnLink(std::string link) { link_ = std::move(link); }

    bool WaitForReader() override {
        while (FarEndClosed()) {
            if (gStopRequested) return false;
            poll(nullptr, 0, kPollMs);
        }
        return true;
    }

    // The bytes have left once the far end's input queue stays empty; we look at that queue
    // through a descriptor of our own on the slave (which, the reader having it open, leaves
    // the reader's line as it is when we close it). Bytes just written reach the queue a little
    // later, through the kernel's own buffers, hence the settling time.
    bool Drain(double patienceSeconds) override {
        using Clock = std::chrono::steady_clock;
        const auto seconds = [](Clock::duration d) {
            return std::chrono::duration<double>(d).count();
        };
        auto lastProgress = Clock::now();
        auto emptySince = Clock::time_point::max();
        int lastQueued = -1;
        while (!gStopRequested && !FarEndClosed()) {
            const int queued = QueuedAtFarEnd();
            if (queued < 0) return true;  // cannot tell
            const auto now = Clock::now();
            if (queued > 0) {
                emptySince = Clock::time_point::max();
            } else if (emptySince == Clock::time_point::max()) {
                emptySince = now;
            } else if (seconds(now - emptySince) >= kSettleSeconds) {
                return true;
            }
            if (lastQueued < 0 || queued < lastQueued) lastProgress = now;
            lastQueued = queued;
            if (seconds(now - lastProgress) > patienceSeconds) return false;
            poll(nullptr, 0, 2);
        }
        return true;
    }

  private:
    int QueuedAtFarEnd() const {
        const int slave = open(name_.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        if (slave < 0) return -1;
        int queued = -1;
        if (ioctl(slave, FIONREAD, &queued) != 0) queued = -1;
        close(slave);
        return queued;
    }

    std::string link_;
};

std::unique_ptr<DevicePort> OpenExisting(const std::string& path, std::string& error) {
    const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot open " + path + ": " + SystemError();
        return nullptr;
    }
    if (isatty(fd)) SetLine(fd);
    return std::make_unique<FdPort>(fd, path);
}

bool MakeLink(const std::string& link, const std::string& target, std::string& error) {
    struct stat existing {};
    if (lstat(link.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = "cannot link " + link + ": it exists and is not a symbolic link";
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot link " + link + ": " + SystemError();
        return false;
    }
    return true;
}

std::unique_ptr<DevicePort> OpenPseudoTerminal(const Options& options, std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        error = "cannot open a pseudo-terminal: " + SystemError();
        if (master >= 0) close(master);
        return nullptr;
    }
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    // On the master, the line settings are those of the pair's far end.
    SetLine(master);
    const char* slaveName = ptsname(master);
    if (slaveName == nullptr) {
        error = "cannot name the pseudo-terminal: " + SystemError();
        close(master);
        return nullptr;
    }
    const std::string slave = slaveName;
    auto port = std::make_unique<PseudoTerminalPort>(master, slave);
    if (!port->PrepareReaderDetection()) {
        error = "cannot open " + slave + ": " + SystemError();
        return nullptr;
    }
    if (!options.linkPath.empty()) {
        if (!MakeLink(options.linkPath, slave, error)) return nullptr;
        port->OwnLink(options.linkPath);
    }
    std::cout << slave << std::endl;
    return port;
}

}  // namespace

std::unique_ptr<DevicePort> OpenDevicePort(const Options& options, std::string& error) {
    if (!options.portPath.empty()) return OpenExisting(options.portPath, error);
    return OpenPseudoTerminal(options, error);
}

}  // namespace veskar::simdevice
