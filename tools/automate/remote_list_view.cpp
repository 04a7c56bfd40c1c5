#include "tools/automate/remote_list_view.h"

#include <commctrl.h>

#include <stdexcept>

#include "tools/automate/windows.h"

namespace automate {

namespace {

constexpr int kMaxColumns = 8;
constexpr int kTextChars = 1024;  // per subitem, far more than a row's text needs
constexpr UINT kListTimeoutMs = 5000;

// The block placed in the target: one LVITEMW per column, then one text buffer per column.
constexpr size_t kItemsOffset = 0;
constexpr size_t kTextsOffset = sizeof(LVITEMW) * kMaxColumns;
constexpr size_t kTextBytes = sizeof(wchar_t) * kTextChars;
constexpr size_t kBlockSize = kTextsOffset + kTextBytes * kMaxColumns;

bool IsWow64(HANDLE process) {
    BOOL wow64 = FALSE;
    IsWow64Process(process, &wow64);
    return wow64 != FALSE;
}

}  // namespace

RemoteListView::RemoteListView(HWND list) : list_(list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    process_ = OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
        FALSE, pid);
    if (process_ == nullptr) throw std::runtime_error("cannot open the list's process");
    if (IsWow64(process_) != IsWow64(GetCurrentProcess())) {
        CloseHandle(process_);
        throw std::runtime_error(
            "the list's program and this helper are built for different Windows (32/64-bit)");
    }
    remote_ = static_cast<char*>(
        VirtualAllocEx(process_, nullptr, kBlockSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (remote_ == nullptr) {
        CloseHandle(process_);
        throw std::runtime_error("cannot allocate memory in the list's process");
    }
}

RemoteListView::~RemoteListView() {
    VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    CloseHandle(process_);
}

int RemoteListView::RowCount() const {
    LRESULT count = 0;
    if (!SendWithTimeout(list_, LVM_GETITEMCOUNT, 0, 0, kListTimeoutMs, &count)) {
        throw std::runtime_error("the list does not answer");
    }
    return static_cast<int>(count);
}

int RemoteListView::ColumnCount() const {
    LRESULT header = 0;
    SendWithTimeout(list_, LVM_GETHEADER, 0, 0, kListTimeoutMs, &header);
    LRESULT count = 0;
    if (header != 0) {
        SendWithTimeout(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, kListTimeoutMs,
                        &count);
    }
    if (count <= 0) return 1;
    return count > kMaxColumns ? kMaxColumns : static_cast<int>(count);
}

std::vector<std::wstring> RemoteListView::Row(int row, int columns) {
    LVITEMW items[kMaxColumns] = {};
    for (int column = 0; column < columns; ++column) {
        items[column].iSubItem = column;
        items[column].cchTextMax = kTextChars;
        items[column].pszText =
            reinterpret_cast<LPWSTR>(remote_ + kTextsOffset + kTextBytes * column);
    }
    Write(kItemsOffset, items, sizeof(LVITEMW) * columns);

    std::vector<std::wstring> texts;
    for (int column = 0; column < columns; ++column) {
        const LRESULT length = Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                    kItemsOffset + sizeof(LVITEMW) * column);
        std::wstring text(static_cast<size_t>(length), L'\0');
        if (length > 0) {
            Read(kTextsOffset + kTextBytes * column, text.data(), sizeof(wchar_t) * length);
        }
        texts.push_back(std::move(text));
    }
    return texts;
}

RECT RemoteListView::RowScreenRect(int row) {
    RECT rect = {};
    rect.left = LVIR_BOUNDS;
    Write(kItemsOffset, &rect, sizeof rect);
    if (!Send(LVM_GETITEMRECT, static_cast<WPARAM>(row), kItemsOffset)) {
        throw std::runtime_error("no row " + std::to_string(row));
    }
    Read(kItemsOffset, &rect, sizeof rect);
    MapWindowPoints(list_, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void RemoteListView::Write(size_t offset, const void* data, size_t size) {
    SIZE_T written = 0;
    if (!WriteProcessMemory(process_, remote_ + offset, data, size, &written) || written != size) {
        throw std::runtime_error("cannot write into the list's process");
    }
}

void RemoteListView::Read(size_t offset, void* data, size_t size) const {
    SIZE_T read = 0;
    if (!ReadProcessMemory(process_, remote_ + offset, data, size, &read) || read != size) {
        throw std::runtime_error("cannot read from the list's process");
    }
}

LRESULT RemoteListView::Send(UINT message, WPARAM wParam, size_t remoteOffset) const {
    LRESULT result = 0;
    if (!SendWithTimeout(list_, message, wParam, reinterpret_cast<LPARAM>(remote_ + remoteOffset),
                         kListTimeoutMs, &result)) {
        throw std::runtime_error("the list does not answer");
    }
    return result;
}

}  // namespace automate
