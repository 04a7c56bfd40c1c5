// What the two writers of frame logs cost on the real main window, next to the system calls
// they have to make:
//  - Save of a full list: a click on Save (MonitorDialog::OnSave, the save-file dialog answered
//    at once through the prompts) against a loop that makes only the same list-text reads
//    (LVM_GETITEMTEXTA, four per row) and the same writes of the same lines into the same kind
//    of files (CreateFileW, one WriteFile per line, CloseHandle);
//  - a recording: frames of the smallest kind fed through the fake port and real ticks (read,
//    capture buffer, scanner, MonitorDialog::RecordFrame) against a loop that makes only the
//    writes of the same lines, the rotations, and the window calls of the exchange towards the
//    controls that each frame's FrameNum requires (CB_SETCURSEL, two BM_SETCHECK,
//    SetWindowTextA with the number). The two alternate, a tick's worth of frames each, so that
//    a load on the shared machine weighs on both alike.
// Both check that they wrote the same bytes as the loop they are compared with (Time aside),
// then print the times, the ratio and the rates as multiples of the line's maximum of 5760
// frames per second (230400 baud, 4-byte frames), and what each part costs per row or frame.
//
// usage: frame_logs_bench.exe [rows saved, default 200000] [frames recorded, default 200000]
//                             [rounds, default 1]
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/win32/bench_timing.h"
#include "capture/frame_row.h"
#include "capture/monitoring_cycle.h"
#include "capture/serial_link.h"
#include "fakes/recording_comm_port.h"
#include "framework/prompts.h"
#include "logs/log_file_format.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"
#include "win32/support/fake_prompts.h"
#include "win32/support/monitor_dialog_access.h"

namespace veskar {
namespace {

using bench::kLineMaxFramesPerSecond;
using bench::MicrosecondsPerCall;
using bench::PumpMessages;
using bench::Stopwatch;

// A tick reads at most a read chunk: 2500 frames of 4 bytes. The reference loop lets the
// message loop run as often as the ticks do.
constexpr int kFramesPerTick = static_cast<int>(kReadChunkBytes) / 4;

void PrintRate(const char* what, int count, double seconds, const char* unit) {
    const double rate = count / seconds;
    std::printf("  %-34s %8.3f s  %9.0f %s/s  = %7.3f x 5760\n", what, seconds, rate, unit,
                rate / kLineMaxFramesPerSecond);
}

void PrintComparison(const char* ours, double ourSeconds, const char* reference,
                     double referenceSeconds, int count, const char* unit) {
    PrintRate(ours, count, ourSeconds, unit);
    PrintRate(reference, count, referenceSeconds, unit);
    std::printf("  ratio %.3f (target at most 1.2)\n", ourSeconds / referenceSeconds);
}

std::string ReadWholeFile(const std::wstring& name) {
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string content;
    if (file == INVALID_HANDLE_VALUE) return content;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
        content.append(chunk, read);
    CloseHandle(file);
    return content;
}

// The file's content with every Time field (the second of a line) replaced by "T".
std::string WithoutTimes(const std::string& content) {
    std::string result;
    result.reserve(content.size());
    std::size_t at = 0;
    while (at < content.size()) {
        std::size_t end = content.find('\n', at);
        if (end == std::string::npos) end = content.size() - 1;
        const std::string line = content.substr(at, end + 1 - at);
        const std::size_t first = line.find('\t');
        const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        result += second == std::string::npos
                      ? line
                      : line.substr(0, first + 1) + "T" + line.substr(second);
        at = end + 1;
    }
    return result;
}

HANDLE CreateLogFile(const std::wstring& name) {
    return CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

void WriteLine(HANDLE file, const char* line, std::size_t length) {
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
}

class FrameLogsBench {
  public:
    FrameLogsBench(MonitorDialog& dialog, testing::RecordingCommPort& port,
                   testing::FakePrompts& prompts, std::wstring folder)
        : dialog_(dialog),
          access_(dialog),
          port_(port),
          prompts_(prompts),
          folder_(std::move(folder)),
          window_(dialog.Handle()) {
        list_ = GetDlgItem(window_, IDC_FRAME_LIST);
        ports_ = GetDlgItem(window_, IDC_COM_PORT);
        show_ = GetDlgItem(window_, IDC_REALTIME_SHOW);
        save_ = GetDlgItem(window_, IDC_REALTIME_SAVE);
        frameNum_ = GetDlgItem(window_, IDC_FRAME_NUM);
    }

    // ---- Save ----

    // The list as the live list leaves it after `rows` frames of a realistic size (address
    // byte and three data bytes that spell the row's number), straight into the list view.
    void FillList(int rows) {
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
        for (int row = 0; row < rows; ++row) {
            const std::uint8_t bytes[] = {0xA0, static_cast<std::uint8_t>(row >> 16),
                                          static_cast<std::uint8_t>(row >> 8),
                                          static_cast<std::uint8_t>(row)};
            const FrameRow texts = FormatFrameRow(Frame{bytes, 4}, row + 1);
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = row;
            item.pszText = const_cast<char*>(texts.seq.c_str());
            SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            SetSubItem(row, 1, texts.time);
            SetSubItem(row, 2, texts.len);
            SetSubItem(row, 3, texts.data);
        }
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        access_.SetFrameCounter(rows);
    }

    // A click on Save, the dialog answered with save.xls; seconds until the handler returned.
    double SaveSeconds() {
        prompts_.savePath = folder_ + L"\\save.xls";
        const std::size_t messages = prompts_.messages.size();
        const Stopwatch watch;
        SendMessageW(window_, WM_COMMAND, MAKEWPARAM(IDC_SAVE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window_, IDC_SAVE)));
        const double seconds = watch.Seconds();
        if (prompts_.messages.size() != messages + 1)
            std::printf("  !! Save did not show its completion message\n");
        return seconds;
    }

    // The same reads and writes without the program: into reference_N.xls.
    double SaveReferenceSeconds(int rows) const {
        const Stopwatch watch;
        char line[4 * 1024];
        for (int file = 0, first = 0; first < rows; ++file, first += RowsPerLogFile) {
            const HANDLE handle = CreateLogFile(LogFileName(folder_ + L"\\reference", file));
            WriteLine(handle, kLogHeaderLine, sizeof(kLogHeaderLine) - 1);
            const int end = std::min(rows, first + RowsPerLogFile);
            for (int row = first; row < end; ++row) {
                std::size_t length = 0;
                for (int column = 0; column < 4; ++column) {
                    length += ReadItemText(row, column, line + length, 1024);
                    line[length++] = column < 3 ? '\t' : '\n';
                }
                WriteLine(handle, line, length);
            }
            CloseHandle(handle);
        }
        return watch.Seconds();
    }

    void CheckSaveFiles(int rows) const {
        bool same = true;
        for (int file = 0; file * RowsPerLogFile < rows; ++file) {
            const std::string ours = ReadWholeFile(LogFileName(folder_ + L"\\save", file));
            same = same && !ours.empty() &&
                   ours == ReadWholeFile(LogFileName(folder_ + L"\\reference", file));
        }
        std::printf("  files of Save and of the reference loop: %s\n",
                    same ? "the same bytes" : "!! DIFFERENT");
    }

    // Per row: the four reads alone, the four reads through the program's list wrapper, and
    // the write of the line alone.
    void PrintSaveShare(int rows) const {
        const int count = std::min(rows, 20000);
        char text[1024];
        const double reads = MicrosecondsPerCall(count, [&](int row) {
            for (int column = 0; column < 4; ++column) ReadItemText(row, column, text, 1024);
        });
        const framework::ListView& list = access_.FrameList();
        const double wrapped = MicrosecondsPerCall(count, [&](int row) {
            const FrameRow texts{list.ItemText(row, 0), list.ItemText(row, 1),
                                 list.ItemText(row, 2), list.ItemText(row, 3)};
            if (texts.seq.empty()) std::puts("");
        });
        const double formed = MicrosecondsPerCall(count, [&](int row) {
            const FrameRow texts{list.ItemText(row, 0), list.ItemText(row, 1),
                                 list.ItemText(row, 2), list.ItemText(row, 3)};
            if (FormatLogLine(texts).empty()) std::puts("");
        });
        const HANDLE file = CreateLogFile(folder_ + L"\\share.xls");
        const std::string line = "123456\t09:05:03\t4\tS<50:w>01 E2 40 \n";
        const double writes =
            MicrosecondsPerCall(count, [&](int) { WriteLine(file, line.data(), line.size()); });
        CloseHandle(file);
        DeleteFileW((folder_ + L"\\share.xls").c_str());
        std::printf("  per row (%d rows each):\n", count);
        std::printf("    %-52s %8.2f us\n", "4 x LVM_GETITEMTEXTA alone", reads);
        std::printf("    %-52s %8.2f us\n", "4 x ListView::ItemText, into a FrameRow", wrapped);
        std::printf("    %-52s %8.2f us\n", "  the same and FormatLogLine", formed);
        std::printf("    %-52s %8.2f us\n", "WriteFile of one line alone", writes);
    }

    // ---- Recording ----

    // Realtime-Save chosen with rec.xls; the ticks are then given by hand.
    void StartRecording() {
        prompts_.savePath = folder_ + L"\\rec.xls";
        SendMessageW(save_, BM_CLICK, 0, 0);
        StopMonitorTimer(window_);
    }
    int PumpedMessages() const { return pumped_; }
    void EndRecording() const { SendMessageW(show_, BM_CLICK, 0, 0); }

    struct RecordTimes {
        double ours = 0, reference = 0;
    };

    // `frames` smallest frames through the port and real ticks, each taking at most a read
    // chunk, then the quiet tick that hands on the last frame. After each tick the reference
    // loop takes as many frames, so that a load on the machine weighs on both alike.
    RecordTimes RecordInterleaved(int frames) {
        port_.waiting.clear();
        for (int i = 0; i < frames; ++i) port_.Queue({0x48, 0x44, 0x52, 0xA0});
        ReferenceRecorder reference(*this, frames);
        StartRecording();
        RecordTimes times;
        int done = 0;
        while (!port_.waiting.empty() || done < frames) {
            const Stopwatch tick;
            Tick();
            pumped_ += PumpMessages();
            times.ours += tick.Seconds();
            const int upTo = std::min(frames, done + kFramesPerTick);
            const Stopwatch referenceTick;
            reference.Record(done, upTo);
            PumpMessages();
            times.reference += referenceTick.Seconds();
            done = upTo;
        }
        const Stopwatch quietTick;
        Tick();
        times.ours += quietTick.Seconds();
        char shown[32] = {};
        GetWindowTextA(frameNum_, shown, sizeof(shown));
        if (std::to_string(frames) != shown)
            std::printf("  !! FrameNum shows %s after %d frames\n", shown, frames);
        EndRecording();
        return times;
    }

    // The same writes, rotations and exchange messages without the program: into
    // recref_N.xls, with the lines formed before the timing starts.
    class ReferenceRecorder {
      public:
        ReferenceRecorder(const FrameLogsBench& bench, int frames) : bench_(bench) {
            const std::uint8_t address = 0xA0;
            const std::string time = FormatFrameRow(Frame{&address, 1}, 1).time;
            for (int i = 1; i <= frames; ++i) {
                numbers_.push_back(std::to_string(i));
                lines_.push_back(FormatLogLine(numbers_.back(), time, "1", "S<50:w>"));
            }
            file_ = CreateLogFile(Name());
            WriteLine(file_, kLogHeaderLine, sizeof(kLogHeaderLine) - 1);
        }
        ~ReferenceRecorder() { CloseHandle(file_); }
        ReferenceRecorder(const ReferenceRecorder&) = delete;
        ReferenceRecorder& operator=(const ReferenceRecorder&) = delete;

        void Record(int first, int end) {
            for (int i = first; i < end; ++i) {
                if (linesInFile_ == kMaxLinesPerLogFile) {
                    CloseHandle(file_);
                    ++fileIndex_;
                    file_ = CreateLogFile(Name());
                    linesInFile_ = 0;
                }
                const std::string& line = lines_[static_cast<std::size_t>(i)];
                WriteLine(file_, line.data(), line.size());
                ++linesInFile_;
                bench_.ExchangeMessages(numbers_[static_cast<std::size_t>(i)].c_str());
            }
        }

      private:
        std::wstring Name() const { return LogFileName(bench_.folder_ + L"\\recref", fileIndex_); }

        const FrameLogsBench& bench_;
        std::vector<std::string> numbers_, lines_;
        HANDLE file_ = INVALID_HANDLE_VALUE;
        int fileIndex_ = 0;
        int linesInFile_ = 1;  // the header
    };

    void CheckRecordFiles(int frames) const {
        bool same = true;
        for (int file = 0; file * RowsPerLogFile < frames; ++file) {
            const std::string ours = ReadWholeFile(LogFileName(folder_ + L"\\rec", file));
            same = same && !ours.empty() &&
                   WithoutTimes(ours) ==
                       WithoutTimes(ReadWholeFile(LogFileName(folder_ + L"\\recref", file)));
        }
        std::printf("  files of the recording and of the reference loop: %s\n",
                    same ? "the same bytes, Time aside" : "!! DIFFERENT");
    }

    // Per frame: the row's texts (with the clock read), the exchange towards the controls, its
    // four messages alone, and the control look-ups it makes (three GetDlgItem, and along the
    // mode group WM_GETDLGCODE, GetWindow and the style of each next control).
    void PrintRecordShare(int frames) {
        const int count = std::min(frames, 5000);
        const std::uint8_t address = 0xA0;
        const Frame frame{&address, 1};
        const double format = MicrosecondsPerCall(count, [&](int i) {
            if (FormatLogLine(FormatFrameRow(frame, i + 1)).empty()) std::puts("");
        });
        const double exchange = MicrosecondsPerCall(count, [&](int) { dialog_.UpdateData(false); });
        const std::string number = "123456";
        const double messages =
            MicrosecondsPerCall(count, [&](int) { ExchangeMessages(number.c_str()); });
        const double lookups = MicrosecondsPerCall(count, [&](int) {
            GetDlgItem(window_, IDC_COM_PORT);
            HWND control = GetDlgItem(window_, IDC_REALTIME_SHOW);
            for (int step = 0; step < 3 && control != nullptr; ++step) {
                SendMessageW(control, WM_GETDLGCODE, 0, 0);
                control = GetWindow(control, GW_HWNDNEXT);
                if (control != nullptr) GetWindowLongPtrW(control, GWL_STYLE);
            }
            GetDlgItem(window_, IDC_FRAME_NUM);
        });
        const HANDLE file = CreateLogFile(folder_ + L"\\share.xls");
        const std::string line = "123456\t09:05:03\t1\tS<50:w>\n";
        const double writes =
            MicrosecondsPerCall(count, [&](int) { WriteLine(file, line.data(), line.size()); });
        CloseHandle(file);
        DeleteFileW((folder_ + L"\\share.xls").c_str());
        std::printf("  per frame (%d calls each):\n", count);
        std::printf("    %-62s %8.2f us\n", "FormatFrameRow and FormatLogLine (clock included)",
                    format);
        std::printf("    %-62s %8.2f us\n", "UpdateData(false)", exchange);
        std::printf("    %-62s %8.2f us\n", "  its four messages alone", messages);
        std::printf("    %-62s %8.2f us\n",
                    "  its look-ups alone (3 GetDlgItem, 3 x WM_GETDLGCODE/GetWindow/style)",
                    lookups);
        std::printf("    %-62s %8.2f us\n", "WriteFile of one line alone", writes);
    }

  private:
    void Tick() const { SendMessageW(window_, WM_TIMER, kMonitorTimerId, 0); }

    // The messages the exchange towards the controls sends while recording: the port list's
    // selection, the mode buttons, the FrameNum text.
    void ExchangeMessages(const char* number) const {
        SendMessageW(ports_, CB_SETCURSEL, 1, 0);
        SendMessageW(show_, BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageW(save_, BM_SETCHECK, BST_CHECKED, 0);
        SetWindowTextA(frameNum_, number);
    }

    std::size_t ReadItemText(int row, int column, char* text, int capacity) const {
        LVITEMA request{};
        request.iSubItem = column;
        request.pszText = text;
        request.cchTextMax = capacity;
        return static_cast<std::size_t>(SendMessageA(
            list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&request)));
    }

    void SetSubItem(int row, int subItem, const std::string& text) const {
        LVITEMA item{};
        item.iSubItem = subItem;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }

    MonitorDialog& dialog_;
    MonitorDialogTestAccess access_;
    testing::RecordingCommPort& port_;
    testing::FakePrompts& prompts_;
    std::wstring folder_;
    int pumped_ = 0;  // messages the loop handled between the ticks
    HWND window_, list_ = nullptr, ports_ = nullptr, show_ = nullptr, save_ = nullptr,
                  frameNum_ = nullptr;
};

void RunSave(FrameLogsBench& bench, int rows, int rounds) {
    std::printf("Save of %d rows (the list hidden, as a minimised window has it):\n", rows);
    bench.FillList(rows);
    double best = 1e30, bestReference = 1e30;
    for (int round = 1; round <= rounds; ++round) {
        const double ours = bench.SaveSeconds();
        const double reference = bench.SaveReferenceSeconds(rows);
        std::printf("  round %d: Save %.3f s, reads and writes alone %.3f s, ratio %.3f\n", round,
                    ours, reference, ours / reference);
        std::fflush(stdout);
        best = std::min(best, ours);
        bestReference = std::min(bestReference, reference);
    }
    bench.CheckSaveFiles(rows);
    PrintComparison("Save (best round)", best, "reads and writes alone (best)", bestReference, rows,
                    "rows");
    bench.PrintSaveShare(rows);
    std::printf("\n");
    std::fflush(stdout);
}

void RunRecord(FrameLogsBench& bench, int frames, int rounds) {
    std::printf("Recording of %d frames of length 1 (the window hidden):\n", frames);
    double best = 1e30, bestReference = 1e30;
    for (int round = 1; round <= rounds; ++round) {
        const auto [ours, reference] = bench.RecordInterleaved(frames);
        std::printf(
            "  round %d: ticks with RecordFrame %.3f s, writes and exchange messages alone "
            "%.3f s, ratio %.3f\n",
            round, ours, reference, ours / reference);
        std::fflush(stdout);
        best = std::min(best, ours);
        bestReference = std::min(bestReference, reference);
    }
    std::printf("  messages handled between the ticks: %d\n", bench.PumpedMessages());
    bench.CheckRecordFiles(frames);
    PrintComparison("recording (best round)", best, "writes and messages alone (best)",
                    bestReference, frames, "frames");
    bench.PrintRecordShare(frames);
    std::printf("\n");
    std::fflush(stdout);
}

std::wstring MakeFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder =
        std::wstring(temp) + L"veskar-frame-logs-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void RemoveFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace veskar

int main(int argc, char** argv) {
    using namespace veskar;
    const int rows = argc > 1 ? std::max(0, std::atoi(argv[1])) : 200000;
    const int frames = argc > 2 ? std::max(0, std::atoi(argv[2])) : 200000;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    testing::RecordingCommPort port;
    SerialLink link(port);
    static ReadChunk chunk{};
    testing::FakePrompts prompts;
    const framework::ScopedPrompts scopedPrompts(prompts);
    MonitorDialog dialog(link, chunk);
    if (!dialog.CreateModeless() || link.Open(0, kDeviceBaudRate) != 1) {
        std::fprintf(stderr, "the main window or the fake port could not be set up\n");
        return 1;
    }
    ShowWindow(dialog.Handle(), SW_HIDE);
    const std::wstring folder = MakeFolder();
    {
        FrameLogsBench bench(dialog, port, prompts, folder);
        std::printf("%d rounds; log files in a temporary folder\n\n", rounds);
        if (rows > 0) RunSave(bench, rows, rounds);
        if (frames > 0) RunRecord(bench, frames, rounds);
    }
    dialog.DestroyModeless();
    RemoveFolder(folder);
    return 0;
}
