#pragma once

// What the tests of the frame logs share: the main window created for real, a folder of their
// own in the session's temporary folder, file reading, frames fed through ticks of the fake port,
// and prompts that answer at once and let a test act while a prompt would be open.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "capture/frame_row.h"
#include "capture/monitoring_cycle.h"
#include "capture/serial_link.h"
#include "fakes/recording_comm_port.h"
#include "framework/prompts.h"
#include "logs/log_file_format.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"

namespace veskar {

// The state of the frame logs inside a MonitorDialog.
class FrameLogsTestAccess {
  public:
    explicit FrameLogsTestAccess(MonitorDialog& dialog) : dialog_(dialog) {}

    int DisplayMode() const { return dialog_.displayMode_; }
    std::uint32_t FrameNum() const { return dialog_.frameNum_; }
    int FrameCounter() const { return dialog_.frameCounter_; }
    void SetFrameCounter(int value) { dialog_.frameCounter_ = value; }
    int LogFileIndex() const { return dialog_.logFileIndex_; }
    const std::wstring& LogBasePath() const { return dialog_.logBasePath_; }
    bool RecorderOpen() const { return dialog_.recorderFile_.IsOpen(); }
    int RecorderLines() const { return dialog_.recorderLines_; }
    // Lets a test stand at the edge of a full file without recording 65535 frames first.
    void SetRecorderLines(int lines) { dialog_.recorderLines_ = lines; }
    std::size_t BufferedBytes() const { return dialog_.captureBuffer_.Size(); }
    const framework::ListView& FrameList() const { return dialog_.frameList_; }

  private:
    MonitorDialog& dialog_;
};

namespace testing {

// Answers the save-file dialog from a queue of paths (an empty entry is Cancel) and records
// every message box. The hooks run where the user would be looking at the prompt, as the modal
// loops of the real ones let ticks run there.
class LogPrompts final : public framework::Prompts {
  public:
    struct Message {
        HWND owner;
        std::wstring text;
        std::wstring caption;
        UINT flags;
    };

    std::vector<Message> messages;
    std::vector<framework::SaveFileRequest> saveRequests;
    std::deque<std::optional<std::wstring>> savePaths;
    std::function<void()> whileSaveDialogOpen;
    std::function<void(const Message&)> whileMessageOpen;

    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                       UINT flags) override {
        messages.push_back({owner, text, caption, flags});
        if (whileMessageOpen) whileMessageOpen(messages.back());
        return IDOK;
    }
    std::optional<std::wstring> SaveFileName(const framework::SaveFileRequest& request) override {
        saveRequests.push_back(request);
        if (whileSaveDialogOpen) whileSaveDialogOpen();
        if (savePaths.empty()) return std::nullopt;
        std::optional<std::wstring> answer = savePaths.front();
        savePaths.pop_front();
        return answer;
    }
};

// A folder of its own under the session's temporary folder, removed with its files at the end.
class TempFolder {
  public:
    explicit TempFolder(const std::wstring& leaf = L"") {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        static int serial = 0;
        path_ = std::wstring(temp) + L"veskar-logs-" + std::to_wstring(GetCurrentProcessId()) +
                L"-" + std::to_wstring(++serial) + leaf;
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::wstring& name : Files()) DeleteFileW((path_ + L"\\" + name).c_str());
        RemoveDirectoryW(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

    // The names of the files in the folder, in the order the system lists them.
    std::vector<std::wstring> Files() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                names.push_back(found.cFileName);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

  private:
    std::wstring path_;
};

// The whole content of a file, or nothing if it cannot be opened for reading.
inline std::optional<std::string> ReadWholeFile(const std::wstring& name) {
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string content;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
        content.append(chunk, read);
    CloseHandle(file);
    return content;
}

inline void WriteWholeFile(const std::wstring& name, const std::string& content) {
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

// The lines of a file's content, each without its LF; a last line without LF is kept as it is.
inline std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(content.substr(start));
            break;
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

inline bool OpensExclusively(const std::wstring& name) {
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// A folder name with letters that no ANSI code page holds all of (Chinese, Cyrillic, Vietnamese).
inline constexpr wchar_t kWideFolderLeaf[] = L"-日志-мега-ễ";

// Whether the system's ANSI code page lacks a character of `text`.
inline bool AnsiCodePageCannotSpell(const std::wstring& text) {
    BOOL usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                        nullptr, 0, nullptr, &usedDefault);
    return usedDefault != FALSE;
}

inline bool FileExists(const std::wstring& name) {
    return GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A frame of the device's stream whose data bytes spell `index`, so that every row tells which
// frame it came from: address byte A0, then the index in three bytes, high first. No run of
// these bytes can read as a marker.
inline std::vector<std::uint8_t> NumberedFrame(std::uint32_t index) {
    return {0x48,
            0x44,
            0x52,
            0xA0,
            static_cast<std::uint8_t>(index >> 16),
            static_cast<std::uint8_t>(index >> 8),
            static_cast<std::uint8_t>(index)};
}

// The Data text of NumberedFrame(index).
inline std::string NumberedFrameData(std::uint32_t index) {
    char text[32];
    snprintf(text, sizeof(text), "S<50:w>%02X %02X %02X ", (index >> 16) & 0xFF,
             (index >> 8) & 0xFF, index & 0xFF);
    return text;
}

// The clock the tests pin, so that every row has the Time text kPinnedTime.
inline constexpr char kPinnedTime[] = "09:05:03";
inline std::time_t PinnedClock() {
    std::tm local{};
    local.tm_year = 126;
    local.tm_mon = 11;
    local.tm_mday = 11;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// The main window created for real (not shown, which keeps big lists cheap), over the fake port
// opened as the device, with the log prompts installed.
class FrameLogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetWallClock(PinnedClock);
        ASSERT_TRUE(dialog.CreateModeless());
        ShowWindow(Dialog(), SW_HIDE);
        ASSERT_EQ(link.Open(0, kDeviceBaudRate), 1);
    }
    void TearDown() override {
        dialog.DestroyModeless();
        SetWallClock(nullptr);
    }

    HWND Dialog() const { return dialog.Handle(); }
    HWND Control(int id) const { return GetDlgItem(dialog.Handle(), id); }
    void Click(int id) const { SendMessageW(Control(id), BM_CLICK, 0, 0); }
    std::wstring TextOf(int id) const {
        wchar_t text[256] = {};
        GetWindowTextW(Control(id), text, static_cast<int>(std::size(text)));
        return text;
    }
    bool IsChecked(int id) const {
        return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    // Whether MonitorTimer exists; the probe leaves it as it was.
    bool MonitorTimerRunning() const {
        if (!KillTimer(Dialog(), kMonitorTimerId)) return false;
        StartMonitorTimer(Dialog());
        return true;
    }

    // Runs this thread's message loop for a while, as a modal box would: real ticks arrive.
    static void PumpMessagesFor(DWORD milliseconds) {
        const ULONGLONG end = GetTickCount64() + milliseconds;
        while (GetTickCount64() < end) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            Sleep(1);
        }
    }

    // One tick of MonitorTimer, as the message loop would deliver it.
    void Tick() const { SendMessageW(Dialog(), WM_TIMER, kMonitorTimerId, 0); }

    // Sends the frames first..last (inclusive) through the port, at most 10000 bytes a tick as
    // the cycle reads them, then a quiet tick that hands on the last one.
    void FeedFrames(std::uint32_t first, std::uint32_t last) {
        for (std::uint32_t index = first; index <= last; ++index) port.Queue(NumberedFrame(index));
        while (!port.waiting.empty()) Tick();
        Tick();
    }

    // Fills the list up to `rowTotal` rows as the live list leaves them (row i holds the frame
    // numbered i + 1), straight into the list view, which is much faster than ticks.
    void FillList(int rowTotal) {
        const framework::ListView& list = access.FrameList();
        // Without redrawing, Wine's list view takes rows some hundred times faster.
        list.Send(WM_SETREDRAW, FALSE);
        for (int row = list.ItemCount(); row < rowTotal; ++row) {
            list.InsertItem(row, std::to_string(row + 1).c_str());
            list.SetSubItemText(row, 1, kPinnedTime);
            list.SetSubItemText(row, 2, "4");
            list.SetSubItemText(row, 3,
                                NumberedFrameData(static_cast<std::uint32_t>(row + 1)).c_str());
        }
        list.Send(WM_SETREDRAW, TRUE);
        access.SetFrameCounter(rowTotal);
    }

    // Chooses Realtime-Save as a click does, answering its dialog with `path` (nothing: Cancel).
    void ChooseRealtimeSave(const std::optional<std::wstring>& path) {
        prompts.savePaths.push_back(path);
        Click(IDC_REALTIME_SAVE);
    }

    TempFolder folder;  // outlives the window, whose recorder file may still hold a file there
    veskar::testing::RecordingCommPort port;
    SerialLink link{port};
    ReadChunk chunk{};
    LogPrompts prompts;
    framework::ScopedPrompts scopedPrompts{prompts};
    MonitorDialog dialog{link, chunk};
    FrameLogsTestAccess access{dialog};
};

}  // namespace testing
}  // namespace veskar
