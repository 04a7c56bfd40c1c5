#pragma once

#include <cstdint>
#include <string>

#include "capture/frame_row.h"

namespace veskar {

// A frame log is tab-separated text with LF line ends and the extension ".xls", so that a
// spreadsheet opens it as a sheet of the columns Seq, Time, Len and Data. A full file holds
// 65535 lines, the most an old spreadsheet reads: a header and 65534 rows, or 65535 rows.
inline constexpr std::int32_t RowsPerLogFile = 65534;
inline constexpr std::int32_t kMaxLinesPerLogFile = RowsPerLogFile + 1;
inline constexpr char kLogHeaderLine[] = "Seq\tTime\tLen\tData\n";

// The chosen path up to its last '.', searched over the whole path; empty without any '.'.
std::string LogBasePathOf(const std::string& chosenPath);
std::wstring LogBasePathOf(const std::wstring& chosenPath);

// File number n of a set: the base followed by "_<n>.xls".
std::string LogFileName(const std::string& basePath, int fileNumber);
std::wstring LogFileName(const std::wstring& basePath, int fileNumber);

// One row line: the four texts separated by TABs, ended by an LF.
std::string FormatLogLine(const std::string& seq, const std::string& time, const std::string& len,
                          const std::string& data);
inline std::string FormatLogLine(const FrameRow& row) {
    return FormatLogLine(row.seq, row.time, row.len, row.data);
}

}  // namespace veskar
