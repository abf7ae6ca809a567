#pragma once
// The message boxes that follow "Apply" and "Remove": their texts, titles and icons.

#include <windows.h>

#include <optional>
#include <string>

#include "engine/FolderIcon.h"

struct IconMessage
{
    std::wstring text;
    std::wstring title;
    UINT style; // MB_OK with MB_ICONERROR or MB_ICONINFORMATION
};

// Why a desktop.ini is no settings file that Tessaline can change ("it is larger than 64 KB").
std::wstring IniFaultText(IniFault fault);

// The line that says a colour file of Tessaline's stays, held open by another program.
std::wstring LeftFileLine(const std::wstring& path);

// The one message box that follows an apply. errorDescription is the system's text for
// result.error (FormatMessageW); only a WriteFailed uses it.
IconMessage ApplyMessage(const IconResult& result, const std::wstring& errorDescription);

// The message box that follows a removal: none after a removal that ran, unless it left a file
// that should have gone. errorDescription as for an apply.
std::optional<IconMessage> RemoveMessage(const IconResult& result,
                                         const std::wstring& errorDescription);
