#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/window.h"

namespace framework {

// Reads a number as an unsigned 32-bit field does: blanks and tabs around it, an optional '+',
// decimal digits; values above 4294967295 read as 4294967295. A text that reads as 0 must
// begin with the digit 0 ("+0" fails, "0" and "00" pass). Nothing when the text is not such a
// number.
std::optional<std::uint32_t> ParseUnsignedText(std::wstring_view text);

// The controls a dialog's exchanges use, looked up once: a dialog's controls stay while it
// exists, and under Wine every look-up is a round trip to the server.
class ControlHandles {
  public:
    HWND Item(HWND dialog, int id);
    // The radio buttons of the group that starts at `firstId`, in order.
    const std::vector<HWND>& RadioGroup(HWND dialog, int firstId);
    void Clear() {
        items_.clear();
        groups_.clear();
    }

  private:
    std::unordered_map<int, HWND> items_;
    std::unordered_map<int, std::vector<HWND>> groups_;
};

// One exchange between a dialog's values and its controls, in one direction. A dialog's
// DoDataExchange calls the bindings in order; a binding that cannot read its control shows the
// reason, puts the focus on the control and ends the exchange (Dialog::UpdateData then returns
// false), leaving the values read before it changed.
class DataExchange {
  public:
    enum class Direction { ToControls, FromControls };

    // Thrown by a failed binding; caught by Dialog::UpdateData.
    struct Failure {};

    DataExchange(HWND dialog, Direction direction, ControlHandles& handles)
        : dialog_(dialog), direction_(direction), handles_(handles) {}

    Direction GetDirection() const { return direction_; }
    bool FromControls() const { return direction_ == Direction::FromControls; }

    // Attaches `control` to the dialog's control `id` the first time; later exchanges leave it.
    void Control(int id, Window& control) const;
    // The position of the selected entry of a combo box, -1 when none.
    void ComboIndex(int id, int& index) const;
    // The position of the selected radio button in the group that starts at `firstId` and runs
    // up to the next control with WS_GROUP; only radio buttons count. -1 when none is selected.
    void Radio(int firstId, int& position) const;
    // An unsigned decimal number; reads only the first 31 characters of the field.
    void Text(int id, std::uint32_t& value) const;
    // The field's text as it stands.
    void Text(int id, std::string& value) const;

    // Moves the focus to the field `id`, selects all its text and ends the exchange.
    [[noreturn]] void Fail(int id) const;

  private:
    HWND dialog_;
    Direction direction_;
    ControlHandles& handles_;
};

}  // namespace framework
