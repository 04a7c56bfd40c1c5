#pragma once

// The frame log of the simulated device: one line per frame that a receiver will show, so that
// end-to-end tests can compare what the receiver showed with what was sent.
//
//   # comment lines start with '#'
//   <seq> <len> <bytes>      e.g. "2 3 A0 01 02": Seq from 1, Len, the frame's bytes in hex
//
// Comment lines also note the bytes that show up differently from how they were sent: stray
// bytes ("# stray: ..."), and sends whose frame is split or empty ("# sent: ...").

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tools/simdevice/traffic_generator.h"

namespace veskar::simdevice {

std::string HexBytes(const Bytes& bytes);
std::string FrameLogLine(std::int64_t seq, const Bytes& frame);

class FrameLogWriter {
  public:
    bool Open(const std::string& path, const std::string& heading);
    bool IsOpen() const { return file_.is_open(); }
    void Write(const Piece& piece);
    // Hands what was written to the system, so that a device killed mid-run leaves a log of
    // everything it sent.
    void Flush() { file_.flush(); }
    // Writes the closing comment and closes the file; false if any write failed.
    bool Close(const std::string& closing);
    std::int64_t FramesShown() const { return seq_; }

  private:
    std::ofstream file_;
    std::int64_t seq_ = 0;
};

// The frames of a log, in order; nothing if the file cannot be read or a line is malformed.
std::optional<std::vector<Bytes>> ReadFrameLog(const std::string& path);

}  // namespace veskar::simdevice
