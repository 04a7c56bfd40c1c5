#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace framework {

// A window the object refers to but does not own: destroying the object leaves the window alone.
class Window {
  public:
    Window() = default;
    explicit Window(HWND handle) : handle_(handle) {}

    HWND Handle() const { return handle_; }
    void Attach(HWND handle) { handle_ = handle; }
    bool IsAttached() const { return handle_ != nullptr; }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(handle_, message, wParam, lParam);
    }
    HWND Child(int id) const { return GetDlgItem(handle_, id); }
    int Id() const { return GetDlgCtrlID(handle_); }
    LONG_PTR Style() const { return GetWindowLongPtrW(handle_, GWL_STYLE); }

    // Shown texts go through the W API; data texts are narrow.
    void SetText(const std::wstring& text) const { SetWindowTextW(handle_, text.c_str()); }
    void SetTextAnsi(const char* text) const { SetWindowTextA(handle_, text); }
    std::wstring Text() const;
    std::string TextAnsi() const;

    void Enable(bool enabled) const { EnableWindow(handle_, enabled ? TRUE : FALSE); }
    bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }
    bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }
    bool IsMinimized() const { return IsIconic(handle_) != FALSE; }
    void Focus() const { SetFocus(handle_); }
    void SetFont(HFONT font) const { Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }
    void SetIcon(int kind, HICON icon) const {
        Send(WM_SETICON, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(icon));
    }
    RECT ClientRect() const;

  private:
    HWND handle_ = nullptr;
};

class Edit : public Window {
  public:
    using Window::Window;
    void SelectAll() const { Send(EM_SETSEL, 0, -1); }
};

class Button : public Window {
  public:
    using Window::Window;
    bool IsChecked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
    void SetChecked(bool checked) const {
        Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    void Click() const { Send(BM_CLICK); }
};

class ComboBox : public Window {
  public:
    using Window::Window;
    int AddString(const char* text) const {
        return static_cast<int>(
            SendMessageA(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int Count() const { return static_cast<int>(Send(CB_GETCOUNT)); }
    int Selection() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    void Select(int index) const { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    std::string ItemText(int index) const;
};

// A report-view list. Row texts are narrow and go in through the A messages, which cost no
// conversion on the per-row path.
class ListView : public Window {
  public:
    using Window::Window;

    void SetExtendedStyle(DWORD styles) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles); }
    DWORD ExtendedStyle() const { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    void SetBackgroundColor(COLORREF color) const { Send(LVM_SETBKCOLOR, 0, color); }
    void SetTextColor(COLORREF color) const { Send(LVM_SETTEXTCOLOR, 0, color); }
    void SetTextBackgroundColor(COLORREF color) const { Send(LVM_SETTEXTBKCOLOR, 0, color); }

    // Inserts a left-aligned column whose subitem is its own index.
    void InsertColumn(int index, const std::wstring& heading, int width) const;
    int ColumnCount() const;
    int ColumnWidth(int index) const {
        return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index)));
    }
    std::wstring ColumnHeading(int index) const;

    // Adds a row at the end with `text` in column 0; returns its index.
    int AppendItem(const char* text) const;
    // Inserts a row at `index` with `text` in column 0; returns its index.
    int InsertItem(int index, const char* text) const;
    // Scrolls the view by the given amounts in pixels (LVM_SCROLL).
    void Scroll(int dx, int dy) const { Send(LVM_SCROLL, static_cast<WPARAM>(dx), dy); }
    void SetSubItemText(int item, int subItem, const char* text) const;
    std::string ItemText(int item, int subItem) const;
    int ItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    void DeleteAllItems() const { Send(LVM_DELETEALLITEMS); }
    void EnsureVisible(int item) const {
        Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE);
    }
};

// Owns a GDI font and deletes it with the object.
class Font {
  public:
    Font() = default;
    ~Font() { Reset(); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Takes ownership of `font`, deleting the one held before.
    void Reset(HFONT font = nullptr);
    HFONT Handle() const { return font_; }

  private:
    HFONT font_ = nullptr;
};

}  // namespace framework
