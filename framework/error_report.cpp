#include "framework/error_report.h"

#include <new>

#include "framework/application.h"
#include "framework/file.h"
#include "framework/text.h"

namespace framework {

std::wstring SystemErrorText(DWORD errorCode) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text =
        length != 0 ? std::wstring(buffer, length) : L"Error " + std::to_wstring(errorCode) + L".";
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    return text;
}

std::wstring ExceptionText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const FileError& fileError) {
        return fileError.FileName() + L"\r\n" + SystemErrorText(fileError.ErrorCode());
    } catch (const std::bad_alloc&) {
        return SystemErrorText(ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::exception& other) {
        return WidenAnsi(other.what());
    } catch (...) {
        return SystemErrorText(static_cast<DWORD>(E_UNEXPECTED));
    }
}

void ReportException(HWND owner, const std::exception_ptr& error) {
    ShowMessage(owner, ExceptionText(error), MB_OK | MB_ICONSTOP);
}

}  // namespace framework
