// What MonitorDialog::ShowFrame costs on the real main window, next to the window calls it has
// to make: a loop of N ShowFrame calls against a loop that makes only the same window calls with
// the same texts (the insert, the three subitem texts, the scroll and the controls that the
// exchange towards the controls updates), on the same window, once hidden and once shown.
// Prints frames per second, the ratio of the two, and the rates as multiples of the line's
// maximum of 5760 frames per second (230400 baud, 4-byte frames).
//
// usage: show_frame_bench.exe [frames per run, default 20000] [rounds, default 2]
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "capture/frame_row.h"
#include "capture/serial_link.h"
#include "fakes/recording_comm_port.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"
#include "win32/support/monitor_dialog_access.h"

namespace veskar {
namespace {

constexpr double kLineMaxFramesPerSecond = 5760.0;
// At the line's maximum one 10 ms tick brings about 58 frames; the shown window gets its
// messages (the repainting) handled after every such burst, as the program's message loop would.
constexpr int kFramesPerTick = 58;

class Stopwatch {
  public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Seconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) /
               static_cast<double>(frequency_.QuadPart);
    }

  private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The smallest frame, the one the line carries most of at its maximum rate.
const std::uint8_t kAddressByte[] = {0xA0};
const Frame kSmallestFrame{kAddressByte, 1};

class Bench {
  public:
    Bench(MonitorDialog& dialog, int frames)
        : dialog_(dialog), access_(dialog), frames_(frames), window_(dialog.Handle()) {
        list_ = GetDlgItem(window_, IDC_FRAME_LIST);
        ports_ = GetDlgItem(window_, IDC_COM_PORT);
        show_ = GetDlgItem(window_, IDC_REALTIME_SHOW);
        save_ = GetDlgItem(window_, IDC_REALTIME_SAVE);
        frameNum_ = GetDlgItem(window_, IDC_FRAME_NUM);
        // The texts of each frame, made before the timing starts: the reference loop times the
        // window calls alone.
        const FrameRow row = FormatFrameRow(kSmallestFrame, 1);
        time_ = row.time;
        len_ = row.len;
        data_ = row.data;
        for (int i = 1; i <= frames_; ++i) numbers_.push_back(std::to_string(i));
    }

    double ShowFrameRate(bool pump) {
        Restart();
        const Stopwatch watch;
        for (int i = 0; i < frames_; ++i) {
            access_.ShowFrame(kSmallestFrame);
            if (pump && (i + 1) % kFramesPerTick == 0) PumpMessages();
        }
        return frames_ / watch.Seconds();
    }

    double WindowCallsRate(bool pump) {
        Restart();
        const Stopwatch watch;
        for (int i = 0; i < frames_; ++i) {
            WindowCalls(i);
            if (pump && (i + 1) % kFramesPerTick == 0) PumpMessages();
        }
        return frames_ / watch.Seconds();
    }

    // The reference loop again, with the time of each kind of call summed separately.
    void PrintCallBreakdown(bool pump) {
        Restart();
        enum { kInsert, kSubItems, kScroll, kComboSel, kRadios, kFrameNumText, kPump, kKinds };
        const char* const names[kKinds] = {
            "LVM_INSERTITEMA", "3 x LVM_SETITEMTEXTA", "LVM_SCROLL 0/50", "CB_SETCURSEL",
            "2 x BM_SETCHECK", "WM_SETTEXT FrameNum",  "message pump"};
        double seconds[kKinds] = {};
        LARGE_INTEGER frequency, before, after;
        QueryPerformanceFrequency(&frequency);
        const auto timed = [&](int kind, auto&& call) {
            QueryPerformanceCounter(&before);
            call();
            QueryPerformanceCounter(&after);
            seconds[kind] += static_cast<double>(after.QuadPart - before.QuadPart) /
                             static_cast<double>(frequency.QuadPart);
        };
        for (int i = 0; i < frames_; ++i) {
            const std::string& seq = numbers_[static_cast<std::size_t>(i)];
            timed(kInsert, [&] {
                LVITEMA item{};
                item.mask = LVIF_TEXT;
                item.iItem = i;
                item.pszText = const_cast<char*>(seq.c_str());
                SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            });
            timed(kSubItems, [&] {
                SetSubItem(i, 1, time_);
                SetSubItem(i, 2, len_);
                SetSubItem(i, 3, data_);
            });
            timed(kScroll, [&] { SendMessageA(list_, LVM_SCROLL, 0, 50); });
            timed(kComboSel, [&] { SendMessageW(ports_, CB_SETCURSEL, 1, 0); });
            timed(kRadios, [&] {
                SendMessageW(show_, BM_SETCHECK, BST_CHECKED, 0);
                SendMessageW(save_, BM_SETCHECK, BST_UNCHECKED, 0);
            });
            timed(kFrameNumText, [&] { SetWindowTextA(frameNum_, seq.c_str()); });
            if (pump && (i + 1) % kFramesPerTick == 0) timed(kPump, PumpMessages);
        }
        double total = 0;
        for (const double s : seconds) total += s;
        std::printf("  per frame, by window call (%d frames):\n", frames_);
        for (int kind = 0; kind < kKinds; ++kind) {
            if (kind == kPump && !pump) continue;
            std::printf("    %-24s %9.1f us  %5.1f %%\n", names[kind],
                        1e6 * seconds[kind] / frames_, 100.0 * seconds[kind] / total);
        }
    }

    // FormatFrameRow alone, no window involved.
    double FormatRate() const {
        const Stopwatch watch;
        std::size_t characters = 0;
        for (int i = 1; i <= frames_; ++i)
            characters += FormatFrameRow(kSmallestFrame, i).seq.size();
        const double seconds = watch.Seconds();
        if (characters == 0) std::puts("");  // keeps the work from being optimised away
        return frames_ / seconds;
    }

  private:
    void Restart() {
        SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
        access_.SetFrameCounter(0);
        PumpMessages();
    }

    void WindowCalls(int index) const {
        const std::string& seq = numbers_[static_cast<std::size_t>(index)];
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = const_cast<char*>(seq.c_str());
        SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        SetSubItem(index, 1, time_);
        SetSubItem(index, 2, len_);
        SetSubItem(index, 3, data_);
        SendMessageA(list_, LVM_SCROLL, 0, 50);
        SendMessageW(ports_, CB_SETCURSEL, 1, 0);
        SendMessageW(show_, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageW(save_, BM_SETCHECK, BST_UNCHECKED, 0);
        SetWindowTextA(frameNum_, seq.c_str());
    }

    void SetSubItem(int index, int subItem, const std::string& text) const {
        LVITEMA item{};
        item.iSubItem = subItem;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(list_, LVM_SETITEMTEXTA, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item));
    }

    MonitorDialog& dialog_;
    MonitorDialogTestAccess access_;
    int frames_;
    HWND window_, list_ = nullptr, ports_ = nullptr, show_ = nullptr, save_ = nullptr,
                  frameNum_ = nullptr;
    std::string time_, len_, data_;
    std::vector<std::string> numbers_;
};

void PrintRate(const char* what, double rate) {
    std::printf("  %-34s %10.0f frames/s  = %7.3f x line maximum\n", what, rate,
                rate / kLineMaxFramesPerSecond);
}

void RunWindow(Bench& bench, const char* name, int rounds, bool pump) {
    std::printf("%s window:\n", name);
    double bestShow = 0, bestCalls = 0;
    for (int round = 1; round <= rounds; ++round) {
        const double show = bench.ShowFrameRate(pump);
        const double calls = bench.WindowCallsRate(pump);
        std::printf(
            "  round %d: ShowFrame %.0f frames/s, window calls alone %.0f frames/s, "
            "ratio %.3f\n",
            round, show, calls, calls / show);
        std::fflush(stdout);
        bestShow = std::max(bestShow, show);
        bestCalls = std::max(bestCalls, calls);
    }
    PrintRate("ShowFrame (best round)", bestShow);
    PrintRate("window calls alone (best round)", bestCalls);
    std::printf("  ratio ShowFrame time / window calls time: %.3f (target at most 1.1)\n",
                bestCalls / bestShow);
    bench.PrintCallBreakdown(pump);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace
}  // namespace veskar

int main(int argc, char** argv) {
    using namespace veskar;
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    testing::RecordingCommPort port;
    SerialLink link(port);
    static ReadChunk chunk{};
    MonitorDialog dialog(link, chunk);
    if (!dialog.CreateModeless()) {
        std::fprintf(stderr, "the main window could not be created\n");
        return 1;
    }
    Bench bench(dialog, frames);
    std::printf("%d frames per run, %d rounds, frames of length 1 (4 bytes on the line)\n\n",
                frames, rounds);
    PrintRate("FormatFrameRow alone", bench.FormatRate());
    std::printf("\n");

    ShowWindow(dialog.Handle(), SW_HIDE);
    RunWindow(bench, "Hidden", rounds, false);

    ShowWindow(dialog.Handle(), SW_SHOW);
    UpdateWindow(dialog.Handle());
    PumpMessages();
    RunWindow(bench, "Shown", rounds, true);

    dialog.DestroyModeless();
    return 0;
}
