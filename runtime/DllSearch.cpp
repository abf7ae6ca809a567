// Where the program's DLLs come from (see DllSearch.h).

#include "runtime/DllSearch.h"

#include <windows.h>

#include <delayimp.h>

namespace
{
// Before the delay-load helper loads a DLL by its bare name, which on XP (and on Vista and 7
// without KB2533623) looks in the exe's folder first, this loads it from the system folder by
// full path; the altered search makes the DLLs that one needs come from the system folder too.
// Null for every other notification, and where the system folder holds no such DLL: the helper
// then loads it by name, which never happens for the system DLLs the program delay-loads.
FARPROC WINAPI LoadFromSystemFolder(unsigned notification, PDelayLoadInfo info)
{
    if (notification != dliNotePreLoadLibrary || info == nullptr || info->szDll == nullptr)
        return nullptr;
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    path[length++] = L'\\';
    // The names in the exe's import table are ASCII.
    for (const char* name = info->szDll; *name != '\0'; ++name)
    {
        if (length + 1 >= MAX_PATH)
            return nullptr;
        path[length++] = static_cast<unsigned char>(*name);
    }
    path[length] = L'\0';
    return reinterpret_cast<FARPROC>(LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}
} // namespace

// The helper reads this pointer at each first call into a delay-loaded DLL. It is defined in this
// file, which the entry point needs anyway, so that the linker takes it before the library's null
// default. MSVC's delayimp.h declares it const (read-only once loaded), MinGW's writable.
extern "C"
{
#if defined(_MSC_VER) && !defined(DELAYIMP_INSECURE_WRITABLE_HOOKS)
    const PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
#else
    PfnDliHook __pfnDliNotifyHook2 = LoadFromSystemFolder;
#endif
}

void RestrictDllSearch() noexcept
{
    // XP SP1 and later: an empty string takes the current folder out of the search (null would
    // put it back).
    SetDllDirectoryW(L"");
    // Looked up rather than imported: XP's kernel32 lacks it, and an import it lacks would keep
    // the program from starting there.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    FARPROC address = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (address != nullptr)
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(address))(
            LOAD_LIBRARY_SEARCH_SYSTEM32);
}
