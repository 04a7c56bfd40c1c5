#include "framework/data_exchange.h"

#include <algorithm>
#include <cstdio>

#include "framework/application.h"

namespace framework {

namespace {

constexpr std::uint32_t kLargestUnsigned = 4294967295u;
// What an unsigned field reads of its text: the first 31 characters.
constexpr int kNumberFieldChars = 31;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool IsRadioButton(HWND control) {
    return (SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

bool StartsGroup(HWND control) {
    return (GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP) != 0;
}

}  // namespace

std::optional<std::uint32_t> ParseUnsignedText(std::wstring_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    const wchar_t first = at < text.size() ? text[at] : L'\0';
    if (first == L'-') return std::nullopt;
    if (first == L'+') ++at;

    std::uint64_t value = 0;
    while (at < text.size() && IsDigit(text[at])) {
        value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(text[at] - L'0'),
                                        kLargestUnsigned + 1ull);
        ++at;
    }
    if (value == 0 && first != L'0') return std::nullopt;

    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at != text.size()) return std::nullopt;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, kLargestUnsigned));
}

HWND ControlHandles::Item(HWND dialog, int id) {
    const auto found = items_.find(id);
    if (found != items_.end()) return found->second;
    return items_[id] = GetDlgItem(dialog, id);
}

const std::vector<HWND>& ControlHandles::RadioGroup(HWND dialog, int firstId) {
    const auto found = groups_.find(firstId);
    if (found != groups_.end()) return found->second;
    std::vector<HWND>& group = groups_[firstId];
    HWND control = GetDlgItem(dialog, firstId);
    while (control != nullptr) {
        if (IsRadioButton(control)) group.push_back(control);
        control = GetWindow(control, GW_HWNDNEXT);
        if (control != nullptr && StartsGroup(control)) break;
    }
    return group;
}

void DataExchange::Control(int id, Window& control) const {
    if (!control.IsAttached()) control.Attach(GetDlgItem(dialog_, id));
}

void DataExchange::ComboIndex(int id, int& index) const {
    const ComboBox combo(handles_.Item(dialog_, id));
    if (FromControls()) {
        index = combo.Selection();
    } else {
        combo.Select(index);
    }
}

void DataExchange::Radio(int firstId, int& position) const {
    if (FromControls()) position = -1;
    int radioIndex = 0;
    for (const HWND control : handles_.RadioGroup(dialog_, firstId)) {
        const Button radio(control);
        if (FromControls()) {
            if (radio.IsChecked()) position = radioIndex;
        } else {
            radio.SetChecked(radioIndex == position);
        }
        ++radioIndex;
    }
}

void DataExchange::Text(int id, std::uint32_t& value) const {
    const HWND field = handles_.Item(dialog_, id);
    if (!FromControls()) {
        char text[16];
        std::snprintf(text, sizeof(text), "%lu", static_cast<unsigned long>(value));
        SetWindowTextA(field, text);
        return;
    }
    wchar_t text[kNumberFieldChars + 1] = {};
    GetWindowTextW(field, text, kNumberFieldChars + 1);
    const std::optional<std::uint32_t> number = ParseUnsignedText(text);
    if (!number) {
        ShowMessage(dialog_, L"“请填入一个正整数。”", MB_OK | MB_ICONEXCLAMATION);
        Fail(id);
    }
    value = *number;
}

void DataExchange::Text(int id, std::string& value) const {
    const Window field(handles_.Item(dialog_, id));
    if (FromControls()) {
        value = field.TextAnsi();
    } else {
        field.SetTextAnsi(value.c_str());
    }
}

void DataExchange::Fail(int id) const {
    const Edit field(GetDlgItem(dialog_, id));
    field.Focus();
    field.SelectAll();
    throw Failure{};
}

}  // namespace framework
