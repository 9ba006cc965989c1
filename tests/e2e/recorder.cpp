// Stands in for rundll32.exe in suite_lock: each start leaves one record of
// which file ran, with what command line, from which directory, started by
// whom and how it was asked to show, in "lock-records" beside the file that
// ran. It locks nothing and shows nothing.
#include <windows.h>

#include <string>

namespace {

std::wstring ModulePath() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path;
}

std::wstring CurrentDirectory() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(path.size()), path.data());
    path.resize(length < path.size() ? length : 0);
    return path;
}

// The process that created this one, as the system keeps it.
DWORD ParentProcessId() {
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    struct BasicInformation {
        LONG exitStatus;
        void* pebBaseAddress;
        ULONG_PTR affinityMask;
        LONG basePriority;
        ULONG_PTR uniqueProcessId;
        ULONG_PTR inheritedFromUniqueProcessId;
    } info{};
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (!query || query(GetCurrentProcess(), 0, &info, sizeof info, nullptr) < 0) return 0;
    return static_cast<DWORD>(info.inheritedFromUniqueProcessId);
}

std::string Utf8(const std::wstring& text) {
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring module = ModulePath();
    const std::wstring folder = module.substr(0, module.find_last_of(L'\\')) + L"\\lock-records";
    CreateDirectoryW(folder.c_str(), nullptr);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const std::wstring text = L"module=" + module + L"\ncommand=" + GetCommandLineW() + L"\ndirectory=" +
                              CurrentDirectory() + L"\nparent=" + std::to_wstring(ParentProcessId()) + L"\nflags=" +
                              std::to_wstring(startup.dwFlags) + L"\nshow=" + std::to_wstring(startup.wShowWindow) +
                              L"\n";
    const std::string bytes = Utf8(text);

    // Written aside and renamed, so the driver never reads half a record.
    // Process ids come back; the counter keeps a later start from replacing this record.
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const std::wstring name =
        folder + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter.QuadPart);
    const std::wstring partial = name + L".part";
    const HANDLE file =
        CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) return 1;
    return MoveFileExW(partial.c_str(), (name + L".txt").c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
