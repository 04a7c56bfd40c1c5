#include "tools/automate/commands.h"

#include <commctrl.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>

#include "tools/automate/remote_list_view.h"
#include "tools/automate/text.h"
#include "tools/automate/windows.h"

namespace automate {

namespace {

constexpr double kDefaultTimeout = 10;
// How long a click waits for its handler to finish; the wait ends early when the handler opens
// a modal window (which keeps the handler running until it closes).
constexpr double kClickWaitSeconds = 10;
constexpr int kClickPollMs = 2;
constexpr UINT kNoticeWaitMs = 2000;
// Ids of the file-name field in the common save dialog: the explorer style's combo box
// (cmb13) or the old style's edit field (edt1).
constexpr long kFileNameCombo = 0x47c;
constexpr long kFileNameEdit = 0x480;

using Handler = std::function<void(Session&, const std::vector<std::string>&)>;

struct CommandInfo {
    size_t minArgs;
    size_t maxArgs;
    Handler run;
};

double TimeoutArg(const std::vector<std::string>& args, size_t index) {
    return args.size() > index ? ParseSeconds(args[index]) : kDefaultTimeout;
}

HWND Window(const Session& session) {
    if (session.window == nullptr || !IsWindow(session.window)) {
        throw std::runtime_error("no window: begin with wait-window <title>");
    }
    return session.window;
}

HWND ControlArg(const Session& session, const std::string& id) {
    return Control(Window(session), ParseInteger(id));
}

std::string Quoted(const std::wstring& text) {
    return "\"" + Narrow(text) + "\"";
}

// With an expected value ("0" or "1") the query is a check; without one it prints the state.
void ReportFlag(const char* what, bool state, const std::vector<std::string>& args) {
    const std::string value = state ? "1" : "0";
    if (args.size() < 2) {
        PrintLine(value);
    } else if (args[1] != value) {
        throw std::runtime_error(std::string(what) + " is " + value + ", expected " + args[1]);
    }
}

HWND WaitForTopLevel(const std::string& title, double seconds) {
    const std::wstring wide = Widen(title);
    HWND found = nullptr;
    if (!PollUntil(seconds, [&] { return (found = FindTopLevelWindow(wide)) != nullptr; })) {
        throw std::runtime_error("no window \"" + title + "\" after " + std::to_string(seconds) +
                                 " s");
    }
    return found;
}

HWND FindDescendant(HWND parent, long id) {
    for (HWND child : ChildWindows(parent)) {
        if (GetDlgCtrlID(child) == id) return child;
    }
    return nullptr;
}

HWND FileNameField(HWND dialog) {
    if (HWND combo = FindDescendant(dialog, kFileNameCombo)) return combo;
    return FindDescendant(dialog, kFileNameEdit);
}

void CALLBACK MarkHandled(HWND, UINT, ULONG_PTR done, LRESULT) {
    *reinterpret_cast<bool*>(done) = true;
}

HWND AnyOwnedDialog(HWND owner) {
    return FindOwnedDialog(owner, [](HWND) { return true; });
}

void Click(HWND control) {
    if (!IsWindowVisible(control)) throw std::runtime_error("the control is hidden");
    if (!IsWindowEnabled(control)) throw std::runtime_error("the control is disabled");
    // BM_CLICK lets the button behave as under the mouse (auto radio buttons check themselves).
    // It is sent without blocking, so that a handler that runs a modal window does not hold us.
    const HWND window = GetAncestor(control, GA_ROOT);
    const HWND dialogBefore = AnyOwnedDialog(window);
    bool handled = false;
    if (!SendMessageCallbackW(control, BM_CLICK, 0, 0, MarkHandled,
                              reinterpret_cast<ULONG_PTR>(&handled))) {
        throw std::runtime_error("the click was not delivered");
    }
    PollUntil(kClickWaitSeconds, kClickPollMs, [&] {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);  // delivers the callback
        if (handled) return true;
        const HWND dialog = AnyOwnedDialog(window);
        return dialog != nullptr && dialog != dialogBefore;
    });
}

void PostKey(HWND target, unsigned key) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(target, WM_KEYDOWN, key, 1 | scan);
    PostMessageW(target, WM_KEYUP, key, 1 | scan | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr) return info.hwndFocus;
    return window;
}

void WaitWindow(Session& session, const std::vector<std::string>& args) {
    session.window = WaitForTopLevel(args[0], TimeoutArg(args, 1));
}

void WaitDialog(Session& session, const std::vector<std::string>& args) {
    const HWND owner = Window(session);
    HWND found = nullptr;
    if (!PollUntil(TimeoutArg(args, 0),
                   [&] { return (found = AnyOwnedDialog(owner)) != nullptr; })) {
        throw std::runtime_error("the window opened no dialog");
    }
    session.window = found;
}

void WaitGone(Session&, const std::vector<std::string>& args) {
    const std::wstring title = Widen(args[0]);
    if (!PollUntil(TimeoutArg(args, 1), [&] { return FindTopLevelWindow(title) == nullptr; })) {
        throw std::runtime_error("window \"" + args[0] + "\" is still there");
    }
}

void ClickCommand(Session& session, const std::vector<std::string>& args) {
    Click(ControlArg(session, args[0]));
}

void TextCommand(Session& session, const std::vector<std::string>& args) {
    PrintLine(Narrow(AnsweredWindowText(ControlArg(session, args[0]))));
}

void SetTextCommand(Session& session, const std::vector<std::string>& args) {
    SetWindowTextOf(ControlArg(session, args[0]), Widen(args[1]));
}

void WaitTextCommand(Session& session, const std::vector<std::string>& args) {
    const HWND control = ControlArg(session, args[0]);
    const std::wstring expected = Widen(args[1]);
    std::wstring text;
    if (!PollUntil(TimeoutArg(args, 2), [&] { return (text = WindowText(control)) == expected; })) {
        throw std::runtime_error("text is " + Quoted(text) + ", expected \"" + args[1] + "\"");
    }
}

void EnabledCommand(Session& session, const std::vector<std::string>& args) {
    ReportFlag("enabled", IsWindowEnabled(ControlArg(session, args[0])) != FALSE, args);
}

void CheckedCommand(Session& session, const std::vector<std::string>& args) {
    LRESULT state = 0;
    SendWithTimeout(ControlArg(session, args[0]), BM_GETCHECK, 0, 0, 5000, &state);
    ReportFlag("checked", state == BST_CHECKED, args);
}

void SelectComboCommand(Session& session, const std::vector<std::string>& args) {
    const HWND combo = ControlArg(session, args[0]);
    const long index = ParseInteger(args[1]);
    LRESULT result = CB_ERR;
    SendWithTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, 5000, &result);
    if (result != index) throw std::runtime_error("no entry " + args[1]);
    // Tell the owner as a choice by the user would.
    const WPARAM notice = MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE);
    SendWithTimeout(GetParent(combo), WM_COMMAND, notice, reinterpret_cast<LPARAM>(combo),
                    kNoticeWaitMs);
}

void CountCommand(Session& session, const std::vector<std::string>& args) {
    RemoteListView list(ControlArg(session, args[0]));
    PrintLine(std::to_string(list.RowCount()));
}

void RowsCommand(Session& session, const std::vector<std::string>& args) {
    RemoteListView list(ControlArg(session, args[0]));
    const int columns = list.ColumnCount();
    const int count = list.RowCount();
    for (int row = 0; row < count; ++row) {
        const std::vector<std::wstring> texts = list.Row(row, columns);
        std::wstring line = texts[0];
        for (size_t column = 1; column < texts.size(); ++column) line += L"\t" + texts[column];
        PrintLine(Narrow(line));
    }
}

void RowRectCommand(Session& session, const std::vector<std::string>& args) {
    RemoteListView list(ControlArg(session, args[0]));
    const RECT rect = list.RowScreenRect(static_cast<int>(ParseInteger(args[1])));
    PrintLine(std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
              std::to_string(rect.right) + " " + std::to_string(rect.bottom));
}

void WindowRectCommand(Session& session, const std::vector<std::string>&) {
    RECT rect = {};
    GetWindowRect(Window(session), &rect);
    PrintLine(std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
              std::to_string(rect.right) + " " + std::to_string(rect.bottom));
}

void KeyCommand(Session& session, const std::vector<std::string>& args) {
    PostKey(FocusOf(Window(session)), ParseVirtualKey(args[0]));
}

void CloseCommand(Session& session, const std::vector<std::string>&) {
    PostMessageW(Window(session), WM_CLOSE, 0, 0);
}

void DialogTextsCommand(Session&, const std::vector<std::string>& args) {
    const HWND dialog = WaitForTopLevel(args[0], TimeoutArg(args, 1));
    for (HWND child : ChildWindows(dialog)) {
        PrintLine(std::to_string(GetDlgCtrlID(child)) + "\t" + Narrow(ClassNameOf(child)) + "\t" +
                  Narrow(WindowText(child)));
    }
}

void SetSavePathCommand(Session& session, const std::vector<std::string>& args) {
    const HWND owner = Window(session);
    const double timeout = TimeoutArg(args, 1);
    HWND dialog = nullptr;
    if (!PollUntil(timeout, [&] {
            return (dialog = FindOwnedDialog(
                        owner, [](HWND d) { return FileNameField(d) != nullptr; })) != nullptr;
        })) {
        throw std::runtime_error("no save dialog appeared");
    }
    SetWindowTextOf(FileNameField(dialog), Widen(args[0]));
    Click(Control(dialog, IDOK));
    // Done when the dialog has gone, or when it asks something (the overwrite prompt).
    const bool answered = PollUntil(timeout, [&] {
        return !IsWindow(dialog) || !IsWindowVisible(dialog) || AnyOwnedDialog(dialog) != nullptr;
    });
    if (!answered) throw std::runtime_error("the save dialog did not take the path");
}

void SleepCommand(Session&, const std::vector<std::string>& args) {
    Sleep(static_cast<DWORD>(ParseSeconds(args[0]) * 1000));
}

const std::map<std::string, CommandInfo>& Commands() {
    static const std::map<std::string, CommandInfo> commands = {
        {"wait-window", {1, 2, WaitWindow}},
        {"wait-dialog", {0, 1, WaitDialog}},
        {"wait-gone", {1, 2, WaitGone}},
        {"click", {1, 1, ClickCommand}},
        {"text", {1, 1, TextCommand}},
        {"set-text", {2, 2, SetTextCommand}},
        {"wait-text", {2, 3, WaitTextCommand}},
        {"enabled", {1, 2, EnabledCommand}},
        {"checked", {1, 2, CheckedCommand}},
        {"select-combo", {2, 2, SelectComboCommand}},
        {"count", {1, 1, CountCommand}},
        {"rows", {1, 1, RowsCommand}},
        {"row-rect", {2, 2, RowRectCommand}},
        {"window-rect", {0, 0, WindowRectCommand}},
        {"key", {1, 1, KeyCommand}},
        {"close", {0, 0, CloseCommand}},
        {"dialog-texts", {1, 2, DialogTextsCommand}},
        {"set-save-path", {1, 2, SetSavePathCommand}},
        {"sleep", {1, 1, SleepCommand}},
    };
    return commands;
}

}  // namespace

void RunCommand(Session& session, const Command& command) {
    const auto found = Commands().find(command.name);
    if (found == Commands().end()) throw std::invalid_argument("unknown command");
    const CommandInfo& info = found->second;
    if (command.args.size() < info.minArgs || command.args.size() > info.maxArgs) {
        throw std::invalid_argument("wrong number of arguments");
    }
    info.run(session, command.args);
}

const char* Usage() {
    return "usage: veskar-automate.exe COMMAND [ARGS] [; COMMAND [ARGS]]...\n"
           "Commands run in order and stop at the first failure (exit code 1). Timeouts are in\n"
           "seconds (default 10); ids are control ids; texts are UTF-8.\n"
           "  wait-window TITLE [TIMEOUT]   work on the top-level window with this caption\n"
           "  wait-dialog [TIMEOUT]         work on a dialog that the window opened\n"
           "  wait-gone TITLE [TIMEOUT]     wait until no window has this caption\n"
           "  click ID                      press a button (fails if hidden or disabled)\n"
           "  text ID                       print the control's text\n"
           "  set-text ID TEXT              set the control's text\n"
           "  wait-text ID TEXT [TIMEOUT]   wait until the control shows TEXT\n"
           "  enabled ID [0|1]              print 1 or 0, or check against the value given\n"
           "  checked ID [0|1]              the same for a check or radio button\n"
           "  select-combo ID INDEX         choose an entry of a combo box\n"
           "  count ID                      print the number of rows of a list view\n"
           "  rows ID                       print every row: item and subitem texts, "
           "tab-separated\n"
           "  row-rect ID ROW               print a row's screen rectangle: left top right bottom\n"
           "  window-rect                   print the window's screen rectangle: left top right "
           "bottom\n"
           "  key VK                        press a key (RETURN, ESCAPE, F1, 0x0D ...) in the "
           "focus\n"
           "  close                         send WM_CLOSE to the window\n"
           "  dialog-texts TITLE [TIMEOUT]  print id, class and text of every child of a window\n"
           "  set-save-path PATH [TIMEOUT]  fill the window's save dialog with PATH and press "
           "Save\n"
           "  sleep SECONDS                 wait\n";
}

}  // namespace automate
