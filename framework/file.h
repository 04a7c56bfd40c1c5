#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

namespace framework {

// A failed file operation: the GetLastError() code of the call that failed and the file's name.
class FileError : public std::exception {
  public:
    FileError(DWORD errorCode, std::wstring fileName)
        : errorCode_(errorCode), fileName_(std::move(fileName)) {}

    DWORD ErrorCode() const { return errorCode_; }
    const std::wstring& FileName() const { return fileName_; }
    const char* what() const noexcept override { return "file error"; }

  private:
    DWORD errorCode_;
    std::wstring fileName_;
};

// A file opened for reading and writing without sharing. Each Write is one WriteFile call of
// exactly the bytes handed to it, with no buffer of our own, so what was written is in the file
// even if the program ends abnormally.
class File {
  public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Creates the file or truncates an existing one. A failure is not reported here: the file
    // stays closed and the first Write raises the error.
    bool Create(const std::wstring& name);
    bool Create(std::string_view ansiName);

    // Raises FileError on a failed write, and on a short one as ERROR_DISK_FULL. A short write
    // (a disk that fills up takes the first part) is taken back, so that the file ends with the
    // last whole write and never holds part of the bytes that failed.
    void Write(const void* data, std::uint32_t length);
    void Write(std::string_view text) {
        Write(text.data(), static_cast<std::uint32_t>(text.size()));
    }
    // Returns the number of bytes read (0 at the end of the file); raises FileError on failure.
    std::uint32_t Read(void* buffer, std::uint32_t length);
    // Raises FileError if the handle does not close; a closed file is left alone.
    void Close();

    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    const std::wstring& Name() const { return name_; }

  private:
    // Cuts the file back by the `count` bytes before the file pointer; best effort, since the
    // error that led here is the one to report.
    void DropLastBytes(DWORD count);

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    std::wstring name_;
    // Why the file is not open: what the last failed Create met, so that the first write reports
    // the real cause (a sharing violation, a missing folder) rather than a closed handle.
    DWORD closedReason_ = ERROR_INVALID_HANDLE;
};

}  // namespace framework
