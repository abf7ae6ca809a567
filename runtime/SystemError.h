#pragma once
// The system's own description of a Windows error number, for messages that name an error.

#include <windows.h>

#include <string>

std::wstring SystemErrorText(DWORD code);
