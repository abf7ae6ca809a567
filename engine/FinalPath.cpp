#include "engine/FinalPath.h"

#include "runtime/UniqueAny.h"

#include <windows.h>

namespace
{
constexpr DWORD kVolumeNameDos = 0x0;  // VOLUME_NAME_DOS: "\\?\C:\Real"
constexpr DWORD kVolumeNameNone = 0x4; // VOLUME_NAME_NONE: "\Real", "\" for the root
constexpr ULONG kFileNameInformation = 9;

using FinalPathName = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

struct IoStatus
{
    ULONG_PTR status;
    ULONG_PTR information;
};
using QueryInformationFile = LONG(NTAPI*)(HANDLE, IoStatus*, void*, ULONG, ULONG);

template <typename Function> Function Find(const wchar_t* module, const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(module), name)));
}

std::wstring FinalName(FinalPathName finalPathName, HANDLE folder, DWORD flags)
{
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = finalPathName(folder, &name[0], static_cast<DWORD>(name.size()), flags);
    if (length >= name.size())
    {
        name.resize(length);
        length = finalPathName(folder, &name[0], static_cast<DWORD>(name.size()), flags);
    }
    name.resize(length < name.size() ? length : 0);
    return name;
}

// The path within its volume, "\" for the root. XP has no GetFinalPathNameByHandleW (Vista and
// later); its NtQueryInformationFile answers the same for a local volume.
std::wstring NameInVolume(FinalPathName finalPathName, HANDLE folder)
{
    if (finalPathName != nullptr)
        return FinalName(finalPathName, folder, kVolumeNameNone);
    const auto query = Find<QueryInformationFile>(L"ntdll.dll", "NtQueryInformationFile");
    // FILE_NAME_INFORMATION: the name's length in bytes, then the name.
    union {
        ULONG length;
        wchar_t units[2 + MAX_PATH * 2];
    } info{};
    IoStatus io{};
    if (query == nullptr || query(folder, &io, &info, sizeof info, kFileNameInformation) < 0)
        return std::wstring();
    const size_t units = info.length / sizeof(wchar_t);
    return std::wstring(info.units + 2, units < MAX_PATH * 2 ? units : 0);
}
UniqueFile OpenFollowingLinks(const std::wstring& path)
{
    // Without FILE_FLAG_OPEN_REPARSE_POINT the open follows the link, to what it leads to.
    return UniqueFile(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}
} // namespace

FinalPlace FindFinalPlace(const std::wstring& path)
{
    FinalPlace place;
    UniqueFile folder = OpenFollowingLinks(path);
    if (!folder)
        return place;
    const auto finalPathName = Find<FinalPathName>(L"kernel32.dll", "GetFinalPathNameByHandleW");
    place.root = NameInVolume(finalPathName, folder.get()) == L"\\";
    if (finalPathName != nullptr)
        place.path = FinalName(finalPathName, folder.get(), kVolumeNameDos);
    return place;
}

std::wstring FileIdentity(const std::wstring& path)
{
    std::wstring identity;
    UniqueFile folder = OpenFollowingLinks(path);
    // The numbers' halves as characters, after one that no path holds.
    BY_HANDLE_FILE_INFORMATION info{};
    if (folder && GetFileInformationByHandle(folder.get(), &info))
        for (DWORD number :
             {DWORD{L'<'}, info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow})
            identity += {static_cast<wchar_t>(number & 0xFFFF), static_cast<wchar_t>(number >> 16)};
    return identity;
}
