// The recorder behind veskar_tickstats.exe: every monitoring tick's duration, the frames shown,
// and the time spent inside each system call the program makes during the ticks. The calls are
// timed by pointing the program's own import table at timing wrappers, so the program's code
// is the product's, unchanged; calls that the system's DLLs make among themselves are not
// seen. At process end the figures go to the file named by VESKAR_TICK_STATS_FILE.
#include "capture/tick_stats.h"

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ui/monitor_dialog.h"

namespace veskar::tick_stats {
namespace {

long long Now() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

double CountsPerMicrosecond() {
    static const double perMicrosecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e6;
    }();
    return perMicrosecond;
}

double Microseconds(long long counts) {
    return static_cast<double>(counts) / CountsPerMicrosecond();
}

struct CallBucket {
    long long calls = 0;
    long long exclusiveCounts = 0;  // without the timed calls made from inside (nested ones)
    long long longestCounts = 0;
};

struct Recorder {
    std::vector<long long> tickCounts;
    long long ticksWithFrames = 0;
    long long framesShown = 0;
    long long firstShowStart = 0;
    long long lastShowEnd = 0;
    int tickDepth = 0;
    // Time of the timed calls made inside the innermost timed call (or tick) still running.
    long long nestedCounts = 0;
    long long callCounts = 0;  // all timed calls, exclusive, during ticks
    long long timedCalls = 0;
    // By function name and, for SendMessage, message; names are string literals.
    std::map<std::pair<const char*, UINT>, CallBucket> buckets;

    ~Recorder();
};

Recorder recorder;

// Times one call made during a tick into the bucket of its name, without its nested calls.
class CallTimer {
  public:
    explicit CallTimer(const char* name) : active_(recorder.tickDepth > 0), name_(name) {
        if (!active_) return;
        savedNested_ = recorder.nestedCounts;
        recorder.nestedCounts = 0;
        start_ = Now();
    }
    CallTimer(const char* name, UINT message) : CallTimer(name) { message_ = message; }
    ~CallTimer() {
        if (!active_) return;
        const long long elapsed = Now() - start_;
        const long long exclusive = elapsed - recorder.nestedCounts;
        CallBucket& bucket = recorder.buckets[{name_, message_}];
        ++bucket.calls;
        bucket.exclusiveCounts += exclusive;
        bucket.longestCounts = std::max(bucket.longestCounts, elapsed);
        recorder.callCounts += exclusive;
        ++recorder.timedCalls;
        recorder.nestedCounts = savedNested_ + elapsed;
    }
    CallTimer(const CallTimer&) = delete;
    CallTimer& operator=(const CallTimer&) = delete;

    static constexpr UINT kNoMessage = 0xFFFFFFFFu;
    static std::string MessageName(UINT message) {
        switch (message) {
            case LVM_INSERTITEMA:
                return "LVM_INSERTITEMA";
            case LVM_SETITEMTEXTA:
                return "LVM_SETITEMTEXTA";
            case LVM_SCROLL:
                return "LVM_SCROLL";
            case LVM_DELETEALLITEMS:
                return "LVM_DELETEALLITEMS";
            case CB_SETCURSEL:
                return "CB_SETCURSEL";
            case BM_SETCHECK:
                return "BM_SETCHECK";
            case BM_GETCHECK:
                return "BM_GETCHECK";
            case WM_GETDLGCODE:
                return "WM_GETDLGCODE";
            default: {
                char text[16];
                std::snprintf(text, sizeof(text), "0x%04X", message);
                return text;
            }
        }
    }

  private:
    bool active_;
    const char* name_;
    UINT message_ = kNoMessage;
    long long start_ = 0;
    long long savedNested_ = 0;
};

// The timing wrappers, each calling the function the import table held before.
using SendMessageFunction = LRESULT(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using SetWindowTextAFunction = BOOL(WINAPI*)(HWND, LPCSTR);
using SetWindowTextWFunction = BOOL(WINAPI*)(HWND, LPCWSTR);
using GetDlgItemFunction = HWND(WINAPI*)(HWND, int);
using GetWindowFunction = HWND(WINAPI*)(HWND, UINT);
using GetWindowLongPtrFunction = LONG_PTR(WINAPI*)(HWND, int);
using EnableWindowFunction = BOOL(WINAPI*)(HWND, BOOL);
using ReadFileFunction = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
using ClearCommErrorFunction = BOOL(WINAPI*)(HANDLE, LPDWORD, LPCOMSTAT);

SendMessageFunction realSendMessageA;
SendMessageFunction realSendMessageW;
SetWindowTextAFunction realSetWindowTextA;
SetWindowTextWFunction realSetWindowTextW;
GetDlgItemFunction realGetDlgItem;
GetWindowFunction realGetWindow;
GetWindowLongPtrFunction realGetWindowLongPtrW;
ReadFileFunction realReadFile;
ClearCommErrorFunction realClearCommError;

LRESULT WINAPI TimedSendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const CallTimer timer("SendMessageA", message);
    return realSendMessageA(window, message, wParam, lParam);
}
LRESULT WINAPI TimedSendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const CallTimer timer("SendMessageW", message);
    return realSendMessageW(window, message, wParam, lParam);
}
BOOL WINAPI TimedSetWindowTextA(HWND window, LPCSTR text) {
    const CallTimer timer("SetWindowTextA");
    return realSetWindowTextA(window, text);
}
BOOL WINAPI TimedSetWindowTextW(HWND window, LPCWSTR text) {
    const CallTimer timer("SetWindowTextW");
    return realSetWindowTextW(window, text);
}
// With VESKAR_TICK_STATS_CACHE_HANDLES set, the handle look-ups made during ticks answer from
// a cache after the first time: the main window's controls and their order never change while
// it exists, so this measures what resolving them once would save (nothing else changes: the
// same messages go to the same controls).
const bool cacheHandles = std::getenv("VESKAR_TICK_STATS_CACHE_HANDLES") != nullptr;
std::map<std::tuple<HWND, long long, int>, HWND> handleCache;

template <typename LookUp>
HWND CachedHandle(HWND window, long long what, int kind, LookUp lookUp) {
    if (!cacheHandles || recorder.tickDepth == 0) return lookUp();
    const auto key = std::make_tuple(window, what, kind);
    const auto found = handleCache.find(key);
    if (found != handleCache.end()) return found->second;
    return handleCache[key] = lookUp();
}

HWND WINAPI TimedGetDlgItem(HWND dialog, int id) {
    const CallTimer timer("GetDlgItem");
    return CachedHandle(dialog, id, 0, [&] { return realGetDlgItem(dialog, id); });
}
HWND WINAPI TimedGetWindow(HWND window, UINT relation) {
    const CallTimer timer("GetWindow");
    return CachedHandle(window, relation, 1, [&] { return realGetWindow(window, relation); });
}
LONG_PTR WINAPI TimedGetWindowLongPtrW(HWND window, int index) {
    const CallTimer timer("GetWindowLongPtrW");
    return realGetWindowLongPtrW(window, index);
}
BOOL WINAPI TimedReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read,
                          LPOVERLAPPED overlapped) {
    const CallTimer timer("ReadFile");
    return realReadFile(file, buffer, count, read, overlapped);
}
BOOL WINAPI TimedClearCommError(HANDLE file, LPDWORD errors, LPCOMSTAT status) {
    const CallTimer timer("ClearCommError");
    return realClearCommError(file, errors, status);
}

struct Hook {
    const char* name;
    ULONG_PTR wrapper;
    ULONG_PTR* original;
};

template <typename Function>
Hook MakeHook(const char* name, Function wrapper, Function& original) {
    return {name, reinterpret_cast<ULONG_PTR>(wrapper), reinterpret_cast<ULONG_PTR*>(&original)};
}

// Points the entries of the program's import table named in `hooks` at their wrappers.
int InstallHooks() {
    const Hook hooks[] = {
        MakeHook("SendMessageA", TimedSendMessageA, realSendMessageA),
        MakeHook("SendMessageW", TimedSendMessageW, realSendMessageW),
        MakeHook("SetWindowTextA", TimedSetWindowTextA, realSetWindowTextA),
        MakeHook("SetWindowTextW", TimedSetWindowTextW, realSetWindowTextW),
        MakeHook("GetDlgItem", TimedGetDlgItem, realGetDlgItem),
        MakeHook("GetWindow", TimedGetWindow, realGetWindow),
#ifdef _WIN64
        MakeHook("GetWindowLongPtrW", TimedGetWindowLongPtrW, realGetWindowLongPtrW),
#else
        MakeHook("GetWindowLongW", TimedGetWindowLongPtrW, realGetWindowLongPtrW),
#endif
        MakeHook("ReadFile", TimedReadFile, realReadFile),
        MakeHook("ClearCommError", TimedClearCommError, realClearCommError),
    };
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int installed = 0;
    for (auto* module =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         module->Name != 0; ++module) {
        auto* entry = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
        const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base +
            (module->OriginalFirstThunk != 0 ? module->OriginalFirstThunk : module->FirstThunk));
        for (; name->u1.AddressOfData != 0; ++entry, ++name) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            for (const Hook& hook : hooks) {
                if (std::string(reinterpret_cast<const char*>(byName->Name)) != hook.name) continue;
                DWORD protection = 0;
                VirtualProtect(&entry->u1.Function, sizeof(entry->u1.Function), PAGE_READWRITE,
                               &protection);
                *hook.original = static_cast<ULONG_PTR>(entry->u1.Function);
                entry->u1.Function = hook.wrapper;
                VirtualProtect(&entry->u1.Function, sizeof(entry->u1.Function), protection,
                               &protection);
                ++installed;
            }
        }
    }
    return installed;
}

const int hooksInstalled = InstallHooks();

// What timing one call costs, measured on timers around nothing: the program's own share
// of a tick is corrected by this for every timed call.
constexpr char kCalibration[] = "timer calibration";

double TimerCostMicroseconds(Recorder& r) {
    constexpr int kRounds = 100000;
    const auto saved = std::make_tuple(r.tickDepth, r.nestedCounts, r.callCounts, r.timedCalls);
    r.tickDepth = 1;
    const long long start = Now();
    for (int i = 0; i < kRounds; ++i) const CallTimer timer(kCalibration);
    const double perCall = Microseconds(Now() - start) / kRounds;
    std::tie(r.tickDepth, r.nestedCounts, r.callCounts, r.timedCalls) = saved;
    r.buckets.erase({kCalibration, CallTimer::kNoMessage});
    return perCall;
}

double Percentile(std::vector<long long> counts, double fraction) {
    if (counts.empty()) return 0;
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(counts.size() - 1));
    std::nth_element(counts.begin(), counts.begin() + static_cast<std::ptrdiff_t>(at),
                     counts.end());
    return Microseconds(counts[at]);
}

void WriteReport(std::FILE* out, Recorder& r) {
    const double timerCost = TimerCostMicroseconds(r);
    long long total = 0, longest = 0;
    for (long long counts : r.tickCounts) {
        total += counts;
        longest = std::max(longest, counts);
    }
    const double ticks = static_cast<double>(r.tickCounts.size());
    std::fprintf(out, "ticks %llu\n", static_cast<unsigned long long>(r.tickCounts.size()));
    std::fprintf(out, "ticks_with_frames %lld\n", r.ticksWithFrames);
    std::fprintf(out, "frames_shown %lld\n", r.framesShown);
    std::fprintf(out, "tick_total_us %.0f\n", Microseconds(total));
    std::fprintf(out, "tick_mean_us %.1f\n", ticks > 0 ? Microseconds(total) / ticks : 0.0);
    std::fprintf(out, "tick_p99_us %.1f\n", Percentile(r.tickCounts, 0.99));
    std::fprintf(out, "tick_max_us %.1f\n", Microseconds(longest));
    std::fprintf(out, "show_span_us %.0f\n", Microseconds(r.lastShowEnd - r.firstShowStart));
    std::fprintf(out, "timed_calls_us %.0f\n", Microseconds(r.callCounts));
    std::fprintf(out, "timed_calls %lld\n", r.timedCalls);
    std::fprintf(out, "timer_cost_us %.3f\n", timerCost);
    // The program's own code: the ticks without the timed system calls. It still holds the
    // timers' own cost, estimated by timer_overhead_us.
    std::fprintf(out, "own_code_us %.0f\n", Microseconds(total - r.callCounts));
    std::fprintf(out, "timer_overhead_us %.0f\n", timerCost * static_cast<double>(r.timedCalls));
    std::fprintf(out, "hooks_installed %d\n", hooksInstalled);
    std::fprintf(out, "handles_cached %d\n", cacheHandles ? 1 : 0);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory))) {
        std::fprintf(out, "peak_working_set_bytes %llu\n",
                     static_cast<unsigned long long>(memory.PeakWorkingSetSize));
        std::fprintf(out, "working_set_bytes %llu\n",
                     static_cast<unsigned long long>(memory.WorkingSetSize));
    }
    for (const auto& [key, bucket] : r.buckets) {
        std::string name = key.first;
        if (key.second != CallTimer::kNoMessage) name += ' ' + CallTimer::MessageName(key.second);
        std::fprintf(out, "call\t%s\t%lld\t%.0f\t%.2f\t%.1f\n", name.c_str(), bucket.calls,
                     Microseconds(bucket.exclusiveCounts),
                     Microseconds(bucket.exclusiveCounts) / static_cast<double>(bucket.calls),
                     Microseconds(bucket.longestCounts));
    }
}

Recorder::~Recorder() {
    const char* path = std::getenv("VESKAR_TICK_STATS_FILE");
    if (path == nullptr || *path == '\0') return;
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return;
    WriteReport(out, *this);
    std::fclose(out);
}

}  // namespace

TickGuard::TickGuard(const int& frameCounter)
    : frameCounter_(frameCounter), counterAtStart_(frameCounter), startCount_(Now()) {
    ++recorder.tickDepth;
    recorder.nestedCounts = 0;
}

TickGuard::~TickGuard() {
    const long long end = Now();
    --recorder.tickDepth;
    recorder.tickCounts.push_back(end - startCount_);
    int shown = frameCounter_ - counterAtStart_;
    if (shown < 0) shown += kMaxListRows;  // the list was cleared at its limit on the way
    if (shown == 0) return;
    if (recorder.ticksWithFrames == 0) recorder.firstShowStart = startCount_;
    recorder.lastShowEnd = end;
    ++recorder.ticksWithFrames;
    recorder.framesShown += shown;
}

}  // namespace veskar::tick_stats
