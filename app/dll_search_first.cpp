// Narrows the DLL search before any code of the program runs, constructors included.
// The stack protector's start-up constructor (linked in by -fstack-protector-strong) seeds
// its guard through the legacy crypto API, which loads a crypto provider whose dependencies
// the loader would otherwise look for beside the exe first: in a Downloads folder anyone may
// have dropped a bcrypt.dll there. The loader calls an executable's TLS callbacks after its
// imports (all KnownDLLs) and before its entry point, so the C run-time's start-up and every
// constructor already run with the search narrowed to the system folder.
//
// Linked as an object into every executable that ships (kelvane_harden_program in
// cmake/Kelvane.cmake), never through a static library, where nothing would pull it in.

#include <windows.h>

namespace {

void NTAPI SearchSystemFolderOnly(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

} // namespace

// The C run-time's TLS directory (_tls_used) lists the callbacks between .CRT$XLA and
// .CRT$XLZ in name order; XLB comes before the run-time's own (XLC, XLD).
extern "C" const IMAGE_TLS_DIRECTORY _tls_used;

extern "C" {
__attribute__((used, section(".CRT$XLB"))) const PIMAGE_TLS_CALLBACK kv_search_system_folder_only =
    SearchSystemFolderOnly;
// Keeps the TLS directory in the image even if nothing else asked for it.
__attribute__((used)) const void* const kv_tls_directory_wanted = &_tls_used;
}
