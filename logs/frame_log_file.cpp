#include "logs/frame_log_file.h"

#include "logs/log_file_format.h"

namespace veskar {

void FrameLogFile::WriteHeader() {
    Write(std::string_view(kLogHeaderLine));
}

void FrameLogFile::WriteRow(const FrameRow& row) {
    Write(FormatLogLine(row));
}

}  // namespace veskar
