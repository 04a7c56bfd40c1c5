#include "framework/window.h"

#include <vector>

namespace framework {

std::wstring Window::Text() const {
    const int length = GetWindowTextLengthW(handle_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(handle_, text.data(), length + 1)));
    return text;
}

std::string Window::TextAnsi() const {
    const int length = GetWindowTextLengthA(handle_);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(handle_, text.data(), length + 1)));
    return text;
}

RECT Window::ClientRect() const {
    RECT rect{};
    GetClientRect(handle_, &rect);
    return rect;
}

std::string ComboBox::ItemText(int index) const {
    const LRESULT length = SendMessageA(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void ListView::InsertColumn(int index, const std::wstring& heading, int width) const {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(heading.c_str());
    column.iSubItem = index;
    Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

int ListView::ColumnCount() const {
    const HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
    return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

std::wstring ListView::ColumnHeading(int index) const {
    wchar_t buffer[256] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT;
    column.pszText = buffer;
    column.cchTextMax = static_cast<int>(std::size(buffer));
    Send(LVM_GETCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
    return buffer;
}

int ListView::AppendItem(const char* text) const { return InsertItem(ItemCount(), text); }

int ListView::InsertItem(int index, const char* text) const {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(
        SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::SetSubItemText(int item, int subItem, const char* text) const {
    LVITEMA subItemText{};
    subItemText.iSubItem = subItem;
    subItemText.pszText = const_cast<char*>(text);
    SendMessageA(Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&subItemText));
}

std::string ListView::ItemText(int item, int subItem) const {
    // LVM_GETITEMTEXT reports only how much it copied, so grow the buffer until the text fits.
    std::vector<char> buffer(256);
    for (;;) {
        LVITEMA request{};
        request.iSubItem = subItem;
        request.pszText = buffer.data();
        request.cchTextMax = static_cast<int>(buffer.size());
        const LRESULT length = SendMessageA(Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(item),
                                            reinterpret_cast<LPARAM>(&request));
        if (static_cast<std::size_t>(length) + 1 < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

void Font::Reset(HFONT font) {
    if (font_ != nullptr) DeleteObject(font_);
    font_ = font;
}

}  // namespace framework
