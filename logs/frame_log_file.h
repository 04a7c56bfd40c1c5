#pragma once

#include <string>

#include "capture/frame_row.h"
#include "framework/file.h"

namespace veskar {

// A frame log being written: a file created or truncated, opened for reading and writing with
// no sharing, and taking one line per call. Each line goes to the system in one write of exactly
// its bytes (no CR, no byte-order mark, no buffer of our own), so what was written is in the file
// even if the program ends abnormally. A failed open shows at the first write; a failed or short
// write and a failed close raise framework::FileError, which names the file.
class FrameLogFile : public framework::File {
  public:
    // Opens the file by its wide name, so that any path the user can choose works.
    void Create(const std::wstring& name) { File::Create(name); }
    void WriteHeader();
    void WriteRow(const FrameRow& row);
};

}  // namespace veskar
