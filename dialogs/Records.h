#pragma once
// What the dialog methods share when they fill a platform record.

#include <windows.h>
#include <commdlg.h>

#include <array>
#include <cstddef>
#include <cstdint>

// The 32-bit records are packed to single bytes; the release passes these sizes, and the A and
// W records have the same ones.
#if !defined(_WIN64)
static_assert(sizeof(CHOOSECOLORA) == 36, "the 32-bit CHOOSECOLOR is 36 bytes");
static_assert(sizeof(CHOOSEFONTA) == 60, "the 32-bit CHOOSEFONT is 60 bytes");
static_assert(sizeof(PRINTDLGA) == 66, "the 32-bit PRINTDLG is 66 bytes, packed");
static_assert(sizeof(PAGESETUPDLGA) == 84, "the 32-bit PAGESETUPDLG is 84 bytes");
#endif

// The leading 122 bytes of DEVMODEA that the class keeps, from dmDeviceName into the display
// fields: every field it reads lies within them.
using DeviceMode = std::array<BYTE, 122>;
static_assert(offsetof(DEVMODEA, dmCollate) + sizeof(short) <= sizeof(DeviceMode),
              "the kept device mode holds every field the class reads");

// -1, the default, and 0 both give a dialog without an owner window.
inline HWND OwnerWindow(std::intptr_t owner)
{
    return owner == -1 ? nullptr : reinterpret_cast<HWND>(owner);
}
