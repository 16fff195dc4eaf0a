// The cost of one pass of the device line with the Windows drive source: runs the pass
// many times and prints the median and the spread, plus the caption it built.
//   bench_drive_pass [passes]   (default 2000)

#include "drives/drive_line.h"
#include "drives/drive_source_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    const long passes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 2000;
    if (passes <= 0) {
        std::fputs("usage: bench_drive_pass [passes]\n", stderr);
        return 2;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    // Created once and reused, as the main window does.
    const auto source = kv::drives::MakeWindowsDriveSource();
    std::wstring caption;
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(passes));
    for (long i = 0; i < passes; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        // A pass as the window makes it: the drives, then the line's caption.
        const auto drives = source->ReadyDrives();
        if (drives) {
            caption = kv::drives::DriveLineCaption(*drives);
        }
        QueryPerformanceCounter(&end);
        if (!drives) {
            std::fprintf(stderr, "pass %ld failed: %s (error %lu)\n", i,
                         Utf8(drives.error().call).c_str(),
                         static_cast<unsigned long>(drives.error().code));
            return 1;
        }
        micros.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 /
                         static_cast<double>(frequency.QuadPart));
    }
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) {
        return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))];
    };
    std::printf("caption: %s\n", Utf8(caption).c_str());
    std::printf("passes: %ld  median: %.1f us  p10: %.1f us  p90: %.1f us  max: %.1f us\n", passes,
                at(0.5), at(0.1), at(0.9), micros.back());
    return 0;
}
