#pragma once
// One record written to the Application event log, as the user of this process. The
// source needs no registration to be written to; without it Event Viewer shows only the
// record's strings, not its message.

#include <windows.h>

#include <string>
#include <vector>

namespace kv::win32 {

struct EventRecord {
    WORD type;     // EVENTLOG_INFORMATION_TYPE, _WARNING_TYPE or _ERROR_TYPE
    WORD category; // 0 for none
    DWORD id;
    std::vector<std::wstring> strings;
};

// ERROR_SUCCESS, or the code of the step that failed.
DWORD ReportToApplicationLog(const wchar_t* source, const EventRecord& record);

} // namespace kv::win32
