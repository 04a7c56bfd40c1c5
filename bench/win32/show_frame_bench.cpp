// What MonitorDialog::ShowFrame costs on the real main window, next to the window calls it has
// to make: a loop of N ShowFrame calls against a loop that makes only the same window calls with
// the same texts (the insert, the three subitem texts, the scroll and the controls that the
// exchange towards the controls updates), on the same window, hidden and shown. Prints frames per
// second, the ratio of the two, the rates as multiples of the line's maximum of 5760 frames per
// second (230400 baud, 4-byte frames), and where the reference loop's time goes, call by call.
//
// A third setting measures a way to make the same calls cheaper: the list's redrawing switched
// off while one tick's burst of rows is added, and the list invalidated once after it. The rows
// and what the window shows after each tick stay the same.
//
// usage: show_frame_bench.exe [frames hidden, default 20000] [rounds, default 2]
//                             [frames shown, default the same as hidden]
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
#include "capture/serial_link.h"
#include "fakes/recording_comm_port.h"
#include "ui/monitor_dialog.h"
#include "ui/resource_ids.h"
#include "win32/support/monitor_dialog_access.h"

namespace veskar {
namespace {

using bench::kLineMaxFramesPerSecond;
using bench::MicrosecondsPerCall;
using bench::PumpMessages;
using bench::Stopwatch;

// At the line's maximum one 10 ms tick brings about 58 frames; both loops run in such bursts, and
// the shown window gets its messages (the repainting) handled after each, as the program's
// message loop would between two ticks.
constexpr int kFramesPerTick = 58;

// The smallest frame, the one the line carries most of at its maximum rate.
const std::uint8_t kAddressByte[] = {0xA0};
const Frame kSmallestFrame{kAddressByte, 1};

struct Setting {
    const char* name;
    bool shown;
    bool redrawOffPerTick;  // the list's redrawing off while a tick's burst is added
};

class Bench {
  public:
    Bench(MonitorDialog& dialog, int maxFrames)
        : dialog_(dialog), access_(dialog), frames_(maxFrames), window_(dialog.Handle()) {
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

    // How many frames the next runs take; at most the number given at construction.
    void SetFrames(int frames) { frames_ = std::min(frames, static_cast<int>(numbers_.size())); }

    double ShowFrameRate(const Setting& setting) {
        return Rate(setting, [this](int) { access_.ShowFrame(kSmallestFrame); });
    }
    double WindowCallsRate(const Setting& setting) {
        return Rate(setting, [this](int index) { WindowCalls(index); });
    }

    // The reference loop again, with the time of each kind of call summed separately.
    void PrintCallBreakdown(const Setting& setting) {
        Restart();
        enum { kInsert, kSubItems, kScroll, kComboSel, kRadios, kFrameNumText, kTick, kKinds };
        const char* const names[kKinds] = {
            "LVM_INSERTITEMA", "3 x LVM_SETITEMTEXTA", "LVM_SCROLL 0/50",        "CB_SETCURSEL",
            "2 x BM_SETCHECK", "WM_SETTEXT FrameNum",  "tick end (pump, redraw)"};
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
            if (i % kFramesPerTick == 0) timed(kTick, [&] { BeginBurst(setting); });
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
            if ((i + 1) % kFramesPerTick == 0) timed(kTick, [&] { EndBurst(setting); });
        }
        double total = 0;
        for (const double s : seconds) total += s;
        std::printf("  per frame, by window call (%d frames):\n", frames_);
        for (int kind = 0; kind < kKinds; ++kind) {
            if (kind == kTick && !setting.shown && !setting.redrawOffPerTick) continue;
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

    // What ShowFrame adds over the reference loop, part by part, per frame: the row texts, the
    // exchange towards the controls next to its four messages alone, and the control lookups
    // that the exchange makes (GetDlgItem for three controls, GetWindow along the mode group).
    void PrintOwnShare() {
        const int count = std::min(frames_, 2000);
        const auto perCall = [count](auto&& call) { return MicrosecondsPerCall(count, call); };
        const double format =
            perCall([](int i) { FormatFrameRow(kSmallestFrame, i + 1).seq.size(); });
        const double exchange = perCall([this](int) { dialog_.UpdateData(false); });
        const double messages = perCall([this](int i) {
            SendMessageW(ports_, CB_SETCURSEL, 1, 0);
            SendMessageW(show_, BM_SETCHECK, BST_CHECKED, 0);
            SendMessageW(save_, BM_SETCHECK, BST_UNCHECKED, 0);
            SetWindowTextA(frameNum_, numbers_[static_cast<std::size_t>(i)].c_str());
        });
        const double lookups = perCall([this](int) {
            GetDlgItem(window_, IDC_COM_PORT);
            HWND control = GetDlgItem(window_, IDC_REALTIME_SHOW);
            for (int step = 0; step < 3 && control != nullptr; ++step)
                control = GetWindow(control, GW_HWNDNEXT);
            GetDlgItem(window_, IDC_FRAME_NUM);
        });
        std::printf("  our share, per frame (%d calls each):\n", count);
        std::printf("    %-46s %9.1f us\n", "FormatFrameRow", format);
        std::printf("    %-46s %9.1f us\n", "UpdateData(false)", exchange);
        std::printf("    %-46s %9.1f us\n", "  its four messages alone", messages);
        std::printf("    %-46s %9.1f us\n", "  its lookups alone (3 GetDlgItem, 3 GetWindow)",
                    lookups);
    }

  private:
    template <typename PerFrame>
    double Rate(const Setting& setting, PerFrame perFrame) {
        Restart();
        const Stopwatch watch;
        for (int i = 0; i < frames_; ++i) {
            if (i % kFramesPerTick == 0) BeginBurst(setting);
            perFrame(i);
            if ((i + 1) % kFramesPerTick == 0) EndBurst(setting);
        }
        return frames_ / watch.Seconds();
    }

    // A tick's burst of frames: optionally with the list's redrawing off while the burst is
    // added; afterwards the list is invalidated once, and a shown window gets its messages.
    void BeginBurst(const Setting& setting) const {
        if (setting.redrawOffPerTick) SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }
    void EndBurst(const Setting& setting) const {
        if (setting.redrawOffPerTick) {
            SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list_, nullptr, TRUE);
        }
        if (setting.shown) PumpMessages();
    }

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

void RunSetting(Bench& bench, const Setting& setting, int rounds) {
    std::printf("%s:\n", setting.name);
    double bestShow = 0, bestCalls = 0;
    for (int round = 1; round <= rounds; ++round) {
        const double show = bench.ShowFrameRate(setting);
        const double calls = bench.WindowCallsRate(setting);
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
    bench.PrintCallBreakdown(setting);
    if (!setting.shown) bench.PrintOwnShare();
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace
}  // namespace veskar

int main(int argc, char** argv) {
    using namespace veskar;
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
    const int shownFrames = argc > 3 ? std::max(1, std::atoi(argv[3])) : frames;

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
    Bench bench(dialog, std::max(frames, shownFrames));
    std::printf(
        "%d frames per run hidden, %d shown, %d rounds, frames of length 1 (4 bytes on "
        "the line), %d frames per tick\n\n",
        frames, shownFrames, rounds, kFramesPerTick);
    bench.SetFrames(frames);
    PrintRate("FormatFrameRow alone", bench.FormatRate());
    std::printf("\n");

    const Setting settings[] = {
        {"Hidden window", false, false},
        {"Shown window", true, false},
        {"Shown window, the list's redrawing off during each tick's burst", true, true},
    };
    for (const Setting& setting : settings) {
        bench.SetFrames(setting.shown ? shownFrames : frames);
        ShowWindow(dialog.Handle(), setting.shown ? SW_SHOW : SW_HIDE);
        UpdateWindow(dialog.Handle());
        PumpMessages();
        RunSetting(bench, setting, rounds);
    }

    dialog.DestroyModeless();
    return 0;
}
