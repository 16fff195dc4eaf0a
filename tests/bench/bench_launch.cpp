// bench_launch: starts GUI programs and measures them from outside, as a user's shell
// would see them. Prints figures; it never judges them.
//
//   bench_launch startup [--pairs N] A.exe B.exe [C.exe [D.exe]]
//       Starts A and B alternately (A B A B ...), N pairs (default 20) after one unmeasured
//       start of each; with C (and D), rounds of A B C (D). A start lasts from CreateProcess until
//       WaitForInputIdle returns and the program shows a window. After each start the
//       program's peak working set is read, then the program is closed through its window.
//       Prints the medians, the median of the pairwise ratios A/B (A/C, A/D) and the peak
//       working sets.
//   bench_launch idle [--seconds S] [--show TEXT] A.exe [B.exe]
//       Starts the programs, lets them settle, and prints the CPU time each used over S
//       seconds (default 60) of idling, also as a share of one core. With --show, prints
//       the texts of A's controls that contain TEXT at the end, as a check of what the
//       program was doing. "idle: end" marks the end of the figures.
//
// Paths may be Unix paths ("/x/y.exe"); they are reached through Wine's drive Z:.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fputs("usage: bench_launch startup [--pairs N] A.exe B.exe [C.exe]\n"
               "       bench_launch idle [--seconds S] [--show TEXT] A.exe [B.exe]\n",
               stderr);
    return 2;
}

std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path.front() == L'/') {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        path.insert(0, L"Z:");
    }
    return path;
}

std::string Narrow(const std::wstring& text) {
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

std::string BaseName(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

double Seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The visible top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && ::IsWindowVisible(hwnd)) {
                s->found.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class Process {
public:
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    Process(Process&& other) noexcept : info_(other.info_) { other.info_ = {}; }
    ~Process() {
        Close();
        if (info_.hThread) {
            ::CloseHandle(info_.hThread);
        }
        if (info_.hProcess) {
            ::CloseHandle(info_.hProcess);
        }
    }

    static std::optional<Process> Start(const std::wstring& exe) {
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW startup{sizeof(startup)};
        PROCESS_INFORMATION info{};
        if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &info)) {
            std::fprintf(stderr, "bench_launch: cannot start %s (error %lu)\n", Narrow(exe).c_str(),
                         ::GetLastError());
            return std::nullopt;
        }
        return Process(info);
    }

    // Until the program waits for input with a window on the screen; false on timeout.
    bool WaitUntilUp(DWORD timeoutMs) {
        const double deadline = Seconds() + timeoutMs / 1000.0;
        if (::WaitForInputIdle(info_.hProcess, timeoutMs) != 0) {
            return false;
        }
        while (WindowsOf(info_.dwProcessId).empty()) {
            if (Seconds() > deadline || ::WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0) {
                return false;
            }
            ::Sleep(1);
        }
        return true;
    }

    double PeakWorkingSetMiB() const {
        PROCESS_MEMORY_COUNTERS counters{sizeof(counters)};
        if (!::GetProcessMemoryInfo(info_.hProcess, &counters, sizeof(counters))) {
            return -1;
        }
        return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    }

    // Kernel plus user time so far, in seconds.
    double CpuSeconds() const {
        FILETIME created, exited, kernel, user;
        if (!::GetProcessTimes(info_.hProcess, &created, &exited, &kernel, &user)) {
            return -1;
        }
        auto ticks = [](const FILETIME& t) {
            return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
        };
        return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
    }

    DWORD pid() const { return info_.dwProcessId; }

    // Closes the program as its close box would; ends it if it does not go.
    void Close() {
        if (!info_.hProcess || ::WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0) {
            return;
        }
        for (HWND hwnd : WindowsOf(info_.dwProcessId)) {
            ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
        }
        if (::WaitForSingleObject(info_.hProcess, 10000) != WAIT_OBJECT_0) {
            std::fputs("bench_launch: a program did not close; ending it\n", stderr);
            ::TerminateProcess(info_.hProcess, 1);
            ::WaitForSingleObject(info_.hProcess, 10000);
        }
    }

private:
    explicit Process(const PROCESS_INFORMATION& info) : info_(info) {}
    PROCESS_INFORMATION info_{};
};

struct StartFigures {
    double seconds = 0;
    double peakMiB = 0;
};

std::optional<StartFigures> MeasureStart(const std::wstring& exe) {
    const double begin = Seconds();
    std::optional<Process> process = Process::Start(exe);
    if (!process) {
        return std::nullopt;
    }
    if (!process->WaitUntilUp(60000)) {
        std::fprintf(stderr, "bench_launch: %s did not come up\n", BaseName(exe).c_str());
        return std::nullopt;
    }
    StartFigures figures;
    figures.seconds = Seconds() - begin;
    // Anything the first paint or a late message costs counts too.
    ::Sleep(500);
    figures.peakMiB = process->PeakWorkingSetMiB();
    process->Close();
    ::Sleep(200); // let the ended process's resources go before the next start
    return figures;
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Start-ups of A against B (and C, when given), alternating A B [C] A B [C] ...
int Startup(int rounds, const std::vector<std::wstring>& exes) {
    const size_t n = exes.size();
    const char* letter[] = {"A", "B", "C", "D"};
    std::printf("start-up: %s (A) against %s (B)", BaseName(exes[0]).c_str(),
                BaseName(exes[1]).c_str());
    for (size_t p = 2; p < n; ++p) {
        std::printf(" and %s (%s)", BaseName(exes[p]).c_str(), letter[p]);
    }
    std::printf(", %d rounds, %s\n", rounds,
                n == 4 ? "A B C D A B C D" : (n == 3 ? "A B C A B C" : "A B A B"));
    // The first start of each pays for loading Wine's libraries from disk.
    for (const std::wstring& exe : exes) {
        if (!MeasureStart(exe)) {
            return 1;
        }
    }
    std::vector<std::vector<double>> times(n), peaks(n), ratios(n);
    for (int i = 0; i < rounds; ++i) {
        std::printf("  round %2d:", i + 1);
        for (size_t p = 0; p < n; ++p) {
            const std::optional<StartFigures> f = MeasureStart(exes[p]);
            if (!f) {
                return 1;
            }
            times[p].push_back(f->seconds * 1000);
            peaks[p].push_back(f->peakMiB);
            std::printf("  %s %7.1f ms %6.2f MiB", letter[p], times[p].back(), peaks[p].back());
        }
        for (size_t p = 1; p < n; ++p) {
            ratios[p].push_back(times[0].back() / times[p].back());
            std::printf("  A/%s %.3f", letter[p], ratios[p].back());
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    for (size_t p = 1; p < n; ++p) {
        const double peakA = Median(peaks[0]), peakP = Median(peaks[p]);
        std::printf("start-up median: A %.1f ms, %s %.1f ms; median of pairwise ratios A/%s "
                    "%.3f\n",
                    Median(times[0]), letter[p], Median(times[p]), letter[p], Median(ratios[p]));
        std::printf("peak working set after start-up (median): A %.2f MiB, %s %.2f MiB; ratio "
                    "A/%s %.3f\n",
                    peakA, letter[p], peakP, letter[p], peakP > 0 ? peakA / peakP : 0.0);
    }
    for (size_t p = 0; p < n; ++p) {
        std::printf("%s: start-up %.1f..%.1f ms, file size %lld bytes\n", letter[p],
                    *std::min_element(times[p].begin(), times[p].end()),
                    *std::max_element(times[p].begin(), times[p].end()), FileSize(exes[p]));
    }
    return 0;
}

// The texts of a process's controls that contain part.
std::vector<std::wstring> ControlTexts(DWORD pid, const std::wstring& part) {
    struct Search {
        const std::wstring* part;
        std::vector<std::wstring> found;
    } search{&part, {}};
    for (HWND top : WindowsOf(pid)) {
        ::EnumChildWindows(
            top,
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                wchar_t text[512] = {};
                ::GetWindowTextW(hwnd, text, 512);
                if (std::wstring(text).find(*s->part) != std::wstring::npos) {
                    s->found.push_back(text);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

int Idle(int seconds, const std::wstring& show, const std::vector<std::wstring>& exes) {
    std::vector<Process> processes;
    for (const std::wstring& exe : exes) {
        std::optional<Process> process = Process::Start(exe);
        if (!process || !process->WaitUntilUp(60000)) {
            std::fprintf(stderr, "bench_launch: %s did not come up\n", BaseName(exe).c_str());
            return 1;
        }
        processes.push_back(std::move(*process));
    }
    // Start-up work, first paints and the loading of late libraries are not idling.
    ::Sleep(3000);
    std::vector<double> before;
    for (const Process& p : processes) {
        before.push_back(p.CpuSeconds());
    }
    const double begin = Seconds();
    std::printf("idle: measuring %d s...\n", seconds);
    std::fflush(stdout);
    ::Sleep(static_cast<DWORD>(seconds) * 1000);
    const double elapsed = Seconds() - begin;
    int rc = 0;
    for (size_t i = 0; i < processes.size(); ++i) {
        const double after = processes[i].CpuSeconds();
        if (before[i] < 0 || after < 0) {
            std::printf("idle: %s: the CPU time is not reported\n", BaseName(exes[i]).c_str());
            rc = 1;
            continue;
        }
        const double used = after - before[i];
        std::printf("idle: %s used %.1f ms of CPU in %.1f s = %.4f %% of one core\n",
                    BaseName(exes[i]).c_str(), used * 1000, elapsed, 100 * used / elapsed);
    }
    if (!show.empty()) {
        for (const std::wstring& text : ControlTexts(processes.front().pid(), show)) {
            std::printf("idle: %s shows \"%s\"\n", BaseName(exes.front()).c_str(),
                        Narrow(text).c_str());
        }
    }
    // A script that watches the programs from outside takes its reading now.
    std::puts("idle: end");
    std::fflush(stdout);
    ::Sleep(1000);
    return rc;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return Usage();
    }
    const std::wstring mode = argv[1];
    int count = -1;
    std::wstring show;
    std::vector<std::wstring> exes;
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if ((arg == L"--pairs" || arg == L"--seconds") && i + 1 < argc) {
            count = _wtoi(argv[++i]);
            if (count <= 0) {
                return Usage();
            }
        } else if (arg == L"--show" && i + 1 < argc) {
            show = argv[++i];
        } else {
            exes.push_back(WindowsPath(arg));
        }
    }
    if (mode == L"startup" && exes.size() >= 2 && exes.size() <= 4) {
        return Startup(count > 0 ? count : 20, exes);
    }
    if (mode == L"idle" && !exes.empty()) {
        return Idle(count > 0 ? count : 60, show, exes);
    }
    return Usage();
}
