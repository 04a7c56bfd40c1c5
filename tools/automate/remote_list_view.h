#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace automate {

// Reads a report-view list control that lives in another process. The list-view messages carry
// pointers, which the system does not carry across processes, so their structures and text
// buffers are placed in the target's own memory. The layout of LVITEMW follows the pointer
// size, so both programs must be built for the same Windows (both 32-bit or both 64-bit).
class RemoteListView {
  public:
    explicit RemoteListView(HWND list);
    ~RemoteListView();
    RemoteListView(const RemoteListView&) = delete;
    RemoteListView& operator=(const RemoteListView&) = delete;

    int RowCount() const;
    int ColumnCount() const;
    // The item text and the texts of subitems 1 .. columns-1 of `row`.
    std::vector<std::wstring> Row(int row, int columns);
    // The row's bounding rectangle in screen coordinates.
    RECT RowScreenRect(int row);

  private:
    void Write(size_t offset, const void* data, size_t size);
    void Read(size_t offset, void* data, size_t size) const;
    LRESULT Send(UINT message, WPARAM wParam, size_t remoteOffset) const;

    HWND list_;
    HANDLE process_ = nullptr;
    char* remote_ = nullptr;  // an address in the target process, never dereferenced here
};

}  // namespace automate
