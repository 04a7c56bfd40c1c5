#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace framework {

// The platform's text for a GetLastError() code, without the line end FormatMessage adds.
std::wstring SystemErrorText(DWORD errorCode);

// The text the error box shows for an exception: for a FileError the file's name and the system
// text of its code, for an allocation failure the system's out-of-memory text.
std::wstring ExceptionText(const std::exception_ptr& error);

// Shows the error box (stop icon, application title) for an exception that ended a handler.
void ReportException(HWND owner, const std::exception_ptr& error);

}  // namespace framework
