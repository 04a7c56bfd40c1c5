#include "framework/file.h"

#include "framework/text.h"

namespace framework {

File::~File() {
    if (IsOpen()) CloseHandle(handle_);
}

bool File::Create(const std::wstring& name) {
    Close();
    name_ = name;
    handle_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    closedReason_ = IsOpen() ? ERROR_INVALID_HANDLE : GetLastError();
    return IsOpen();
}

bool File::Create(std::string_view ansiName) {
    return Create(WidenAnsi(ansiName));
}

void File::Write(const void* data, std::uint32_t length) {
    if (length == 0) return;
    if (!IsOpen()) throw FileError(closedReason_, name_);
    DWORD written = 0;
    if (!WriteFile(handle_, data, length, &written, nullptr)) {
        throw FileError(GetLastError(), name_);
    }
    if (written != length) {
        DropLastBytes(written);
        throw FileError(ERROR_DISK_FULL, name_);
    }
}

void File::DropLastBytes(DWORD count) {
    if (count == 0) return;
    LARGE_INTEGER back;
    back.QuadPart = -static_cast<LONGLONG>(count);
    if (SetFilePointerEx(handle_, back, nullptr, FILE_CURRENT)) SetEndOfFile(handle_);
}

std::uint32_t File::Read(void* buffer, std::uint32_t length) {
    if (length == 0) return 0;
    if (!IsOpen()) throw FileError(closedReason_, name_);
    DWORD read = 0;
    if (!ReadFile(handle_, buffer, length, &read, nullptr)) {
        throw FileError(GetLastError(), name_);
    }
    return read;
}

void File::Close() {
    if (!IsOpen()) return;
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle)) throw FileError(GetLastError(), name_);
}

}  // namespace framework
