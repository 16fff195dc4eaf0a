// Stands in for a DLL that someone planted beside the exe: when it is loaded it leaves
// "<its own path>.loaded". No C run-time, so loading it loads nothing else.

#include <windows.h>

extern "C" BOOL WINAPI PlantedEntry(HINSTANCE self, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH + 8];
        const DWORD n = ::GetModuleFileNameW(self, path, MAX_PATH);
        const wchar_t suffix[] = L".loaded";
        for (DWORD i = 0; i < sizeof(suffix) / sizeof(suffix[0]); ++i) {
            path[n + i] = suffix[i];
        }
        const HANDLE marker =
            ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (marker != INVALID_HANDLE_VALUE) {
            ::CloseHandle(marker);
        }
    }
    return TRUE;
}
